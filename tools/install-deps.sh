#!/usr/bin/env bash
# Installs what building and testing the program needs on a Debian 12 or 13 machine, the 32-bit side
# of Wine included when the machine can run 32-bit programs (found out by running one, not assumed).
# Only names both releases have: where a package's name carries a version, the version-free one.
# Idempotent: when every package is there it prints nothing and installs nothing.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  # Wine's own Tahoma, MS Sans Serif and Marlett: without them Wine draws the panel in a wider
  # fallback font and its close box as a letter.
  wine wine64 fonts-wine
  xvfb xdotool x11-utils imagemagick
  googletest
  clang libclang-rt-dev
  libc6-i386
  setbfree jackd2 python3-jack-client python3-numpy sox
  # The tests read programs' PE tables with pefile (tests/support/pe.py).
  python3-pefile
  # The benchmarks' tables, on the terminal and on their page (tools/bench/bench.py).
  python3-tabulate
)

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

install_missing() {
  local missing=() p
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  if [ -z "${updated:-}" ]; then
    $SUDO apt-get update -qq
    updated=yes
  fi
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}" locales

# The tests run the program under a Russian and a Japanese system code page, which Wine takes from
# the Linux locale: both locales must exist.
for locale in ru_RU.CP1251 ja_JP.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}"; then
    $SUDO localedef -i "${locale%%.*}" -f "${locale#*.}" "$locale"
  fi
done

# 32-bit Windows programs need Wine's 32-bit half, which only a kernel that runs 32-bit programs can use.
if /lib32/ld-linux.so.2 --version >/dev/null 2>&1; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    updated=
  fi
  install_missing wine32:i386
fi
