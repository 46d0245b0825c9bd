#!/usr/bin/env bash
# Tries the README's two commands as a newcomer on a fresh Debian machine would: in a minbase chroot
# of Debian RELEASE, made with debootstrap from the Debian mirror this machine's apt uses, with a
# fresh clone of HEAD, as root, tools/run.sh and then tools/test.sh. Prints each command's result,
# its last lines and its time; the logs and the demonstration's files stay in out/debian-RELEASE/.
#   tools/debian-check.sh 12|13          (as root; DBB_DEBIAN_MIRROR names another mirror)
# Exit code: 0 both commands passed, 1 either failed, 2 the check itself could not run,
# 3 Debian's registry did not answer (said in one line; nothing was checked).
# The pristine base of each release is kept in /var/cache/dbb-debian-check/ for the next run, with
# the packages the commands fetched; each run works in a copy of the base and removes it, and its
# mounts, whatever happens (Ctrl-C too). The mounts live in a mount namespace of their own, so none
# of them outlasts the run or reaches the rest of the machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=/var/cache/dbb-debian-check
say() { echo "debian-check: $*" >&2; }

# ---- inside the mount namespace: mount, run the two commands, unmount ----

# Every process whose root is the chroot, so that none of them keeps a mount busy.
chroot_processes() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$1" ] && echo "${p#/proc/}"
  done
  return 0
}

# Ends what still runs in the chroot, then unmounts in the reverse order of mounting.
leave() {
  local pids i
  pids=$(chroot_processes "$r")
  if [ -n "$pids" ]; then
    kill $pids 2>/dev/null || true
    sleep 2
    pids=$(chroot_processes "$r")
    [ -z "$pids" ] || kill -9 $pids 2>/dev/null || true
  fi
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
  done
}

run_inside() { # run_inside CHROOT LOGDIR ARCHIVES
  r=$1
  local logs=$2 archives=$3
  mounted=()
  trap leave EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  mount -t proc proc "$r/proc"
  mounted+=("$r/proc")
  for dir in /sys /dev /dev/pts /dev/shm /tmp/.X11-unix; do
    mkdir -p "$r$dir"
    mount --bind "$dir" "$r$dir"
    mounted+=("$r$dir")
  done
  share_packages "$archives" "$r/var/cache/apt/archives"
  cp -L /etc/resolv.conf "$r/etc/resolv.conf"

  local failed=0 command status start name summary
  for command in tools/run.sh tools/test.sh; do
    name=$(basename "$command" .sh)
    echo "== $command"
    start=$SECONDS
    status=0
    # Waited for in the background, so that Ctrl-C ends the run at once: apt, for one, lets it pass
    # while it installs, and the scripts above it would then go on. The command keeps Ctrl-C's default.
    (
      trap - INT
      exec chroot "$r" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd /root/MidiDrawbarBox && $command"
    ) </dev/null >"$logs/$name.log" 2>&1 &
    wait $! || status=$?
    echo "$command: $([ "$status" -eq 0 ] && echo passed || echo "failed (exit $status)") in \
$(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s; log: $logs/$name.log"
    if [ "$command" = tools/test.sh ]; then
      # its summary: the lines after the last empty one
      summary=$(awk 'NF==0{n=0; next} {l[++n]=$0} END{for(i=1;i<=n;i++) print l[i]}' "$logs/$name.log")
    else
      summary=
    fi
    [ -n "$summary" ] || summary=$(tail -n 15 "$logs/$name.log")
    sed 's/^/  /' <<<"$summary"
    if [ "$status" -ne 0 ]; then
      failed=1
      if unfetched "$logs/$name.log"; then return 3; fi
    fi
  done
  share_packages "$r/var/cache/apt/archives" "$archives"
  if [ -d "$r/root/MidiDrawbarBox/out" ]; then
    cp -r "$r/root/MidiDrawbarBox/out" "$logs/out"
    echo "The clone's out/ (programs, screenshots, recording) is copied to $logs/out/"
  fi
  return "$failed"
}

# share_packages FROM TO: links (or copies) the packages TO lacks from FROM. Each run keeps its own
# apt cache, so that two checks at once do not wait on each other's apt lock; a package file never
# changes under its name, so one file serves every run.
share_packages() {
  local deb
  for deb in "$1"/*.deb; do
    [ -e "$deb" ] && [ ! -e "$2/${deb##*/}" ] || continue
    ln "$deb" "$2/" 2>/dev/null || { cp "$deb" "$2/.${deb##*/}" && mv "$2/.${deb##*/}" "$2/${deb##*/}"; } || true
  done
}

# apt's words for a registry that does not answer (as against a package it does not have)
unfetched() {
  grep -q -E 'Temporary failure resolving|Could not resolve|Could not connect|Unable to connect|'\
'Failed to fetch|Some index files failed to download|Connection timed out' "$1"
}

if [ "${1:-}" = --inside ]; then
  run_inside "$2" "$3" "$4"
  exit
fi

# ---- outside: the base, the copy, the clone ----

case ${1:-} in
  12) suite=bookworm ;;
  13) suite=trixie ;;
  *) echo "usage: $0 12|13" >&2; exit 2 ;;
esac
release=$1
[ "$(id -u)" -eq 0 ] || { say "run it as root (it makes a chroot)"; exit 2; }
mirror=${DBB_DEBIAN_MIRROR:-$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
  awk '$1 ~ /\/debian\/?$/ && $2 !~ /-/ {sub(/\/$/, "", $1); print $1; exit}' || true)}
mirror=${mirror:-http://deb.debian.org/debian}

registry_answers() {
  local dir status=0
  dir=$(mktemp -d /tmp/dbb-registry.XXXXXX)
  timeout 60 /usr/lib/apt/apt-helper -o Acquire::http::Timeout=20 -o Acquire::Retries=1 \
    download-file "$mirror/dists/$suite/InRelease" "$dir/InRelease" >/dev/null 2>&1 || status=$?
  rm -rf "$dir"
  return "$status"
}
unanswered() {
  echo "Debian $release not checked: Debian's registry ($mirror) does not answer"
  exit 3
}
registry_answers || unanswered

base=$cache/$suite
work=
new=
# The mounts were a namespace's and ended with it; a tree that still shows one is left alone.
remove_tree() {
  if grep -q " $1/" /proc/mounts; then
    say "$1 still has mounts; not removing it"
    return 1
  fi
  rm -rf "$1"
}
finish() {
  local status=$?
  [ "$status" -ne 130 ] && [ "$status" -ne 143 ] || say "interrupted; removing what the run made"
  if [ -n "$new" ]; then
    rm -f "$new.log"
    remove_tree "$new" || status=2
  fi
  if [ -n "$work" ]; then remove_tree "$work" || status=2; fi
  exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ ! -d "$base" ]; then
  command -v debootstrap >/dev/null || {
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      debootstrap >/dev/null
  } || { say "cannot install debootstrap"; exit 2; }
  mkdir -p "$cache"
  new=$(mktemp -d "$cache/$suite.XXXXXX")
  chmod 755 "$new"  # the new system's / (mktemp makes it 700)
  echo "Making the Debian $release ($suite) base from $mirror (once; kept in $base)"
  # debootstrap mounts /proc and /sys in the new tree while it works: in a namespace of its own
  if ! unshare --mount --propagation private -- debootstrap --variant=minbase "$suite" "$new" "$mirror" \
    >"$new.log" 2>&1; then
    if unfetched "$new.log" || ! registry_answers; then rm -f "$new.log"; unanswered; fi
    tail -n 5 "$new.log" >&2
    rm -f "$new.log"
    say "debootstrap failed"
    exit 2
  fi
  rm -f "$new.log"
  # another run may have made it meanwhile
  mv -T "$new" "$base" 2>/dev/null || remove_tree "$new"
  new=
fi

commit=$(git -C "$root" rev-parse HEAD)
logs=$root/out/debian-$release
rm -rf "$logs"
mkdir -p "$logs" "$cache/$suite-archives"
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
work=$(mktemp -d /var/tmp/dbb-debian-check.XXXXXX)
cp -a "$base" "$work/root"
mkdir -p "$work/root/var/cache/apt/archives"
echo "Debian $release ($suite) from $mirror, commit ${commit:0:12}$(
  [ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] || echo " (uncommitted changes left out)")"
git clone -q --no-local "$root" "$work/root/root/MidiDrawbarBox"
git -C "$work/root/root/MidiDrawbarBox" checkout -q "$commit"
status=0
unshare --mount --propagation private -- "$root/tools/debian-check.sh" --inside "$work/root" "$logs" \
  "$cache/$suite-archives" || status=$?
[ "$status" -ne 3 ] || unanswered
exit "$status"
