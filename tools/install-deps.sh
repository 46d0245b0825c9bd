#!/usr/bin/env bash
# Installs what building and testing the program needs on a Debian 12 machine.
# Idempotent: when every package is there it prints nothing and installs nothing.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64
  xvfb xdotool x11-utils imagemagick
  googletest
  clang libclang-rt-14-dev
  setbfree jackd2 python3-jack-client python3-numpy sox
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
