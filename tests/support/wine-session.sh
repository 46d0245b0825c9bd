# Sourced by the scripts that run Windows programs under Wine. One session serves one target: a
# private X server with two screens (the second one small, narrower than the device dialog) and a
# fresh Wine prefix with a persistent wineserver. 32-bit programs run in the same kind of prefix,
# through Wine's 32-bit loader.
#   wine_for ARCH                 the Wine loader for x86_64 or i686 programs
#   wine_can_run ARCH             true when this machine runs that target's programs (tried, not assumed)
#   wine_session_start ARCH [WINLOOK]
#                                 exports DISPLAY, WINEPREFIX, WINEDEBUG, WINE, WINESERVER; given the
#                                 winlook program, keeps it on the desktop for the session
#   wine_session_stop             ends the wineserver and the X server and removes the prefix
#   wine_prefix_start / wine_prefix_stop
#                                 the prefix part alone, on the X display already in DISPLAY
#   wine_system_dll ARCH DLL      puts DLL into the prefix's system folder for that target's programs
#                                 (system32 for x86_64, syswow64 for i686), where a program that loads
#                                 it from the system's folder alone finds it

WINESERVER=/usr/lib/wine/wineserver

wine_for() {
  case $1 in
    x86_64) echo /usr/lib/wine/wine64 ;;
    i686) echo /usr/lib/wine/wine ;;
    *) echo "wine-session: unknown target $1" >&2; return 1 ;;
  esac
}

wine_can_run() {
  local loader
  loader=$(wine_for "$1") || return 1
  [ "$1" != i686 ] || /lib32/ld-linux.so.2 --version >/dev/null 2>&1 || return 1
  env -u WINEPREFIX "$loader" --version >/dev/null 2>&1
}

wine_prefix_start() {
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/dbb-wine.XXXXXX)
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" WINESERVER
  # The wineserver and Wine's own service processes start here, away from the output of the tests:
  # a test run by ctest must not leave a process behind that holds its output open.
  wine_step "starting the wineserver" "$WINESERVER" -p || return 1
  wine_step "making the prefix (wineboot)" /usr/lib/wine/wine64 wineboot -i || return 1
  # Debian's Wine finds its own fonts (fonts-wine: Tahoma, MS Sans Serif, Marlett) only in the
  # prefix's Fonts folder, where wineboot puts none; without them it draws in a wider fallback font
  # and the close box as a letter.
  local font fonts=$WINEPREFIX/drive_c/windows/Fonts
  for font in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/"
  done
  # Without a window manager Wine waits on every window close unless it manages windows itself.
  wine_step "turning Wine's window management off" \
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f || return 1
}

# wine_step WHAT COMMAND...: runs one step of a session's start with its output kept aside (Wine's
# own processes that it starts keep that file open, not the test's output); when it fails, says
# which step, with what exit code, and the last lines the step printed.
wine_step() {
  local what=$1 said status=0
  shift
  said=$(mktemp /tmp/dbb-step.XXXXXX)
  "$@" >"$said" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "wine-session: $what failed (exit $status)" >&2
    tail -n 5 "$said" | sed 's/^/  /' >&2
  fi
  rm -f "$said"
  return "$status"
}

wine_prefix_stop() {
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  case "${WINEPREFIX:-}" in /tmp/dbb-wine.*) rm -rf "$WINEPREFIX" ;; esac
  unset WINEPREFIX
}

wine_system_dll() {
  cp "$2" "$WINEPREFIX/drive_c/windows/$([ "$1" = i686 ] && echo syswow64 || echo system32)/"
}

wine_session_start() {
  export WINE
  WINE=$(wine_for "$1")
  # Xvfb picks a free display itself and names it on the descriptor once it takes connections.
  local named i
  named=$(mktemp /tmp/dbb-display.XXXXXX)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -screen 1 320x240x24 -nolisten tcp 3>"$named" >/dev/null 2>&1 &
  DBB_XVFB_PID=$!
  for i in $(seq 1 300); do
    [ -s "$named" ] && break
    kill -0 "$DBB_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  export DISPLAY=":$(tr -d '\n' <"$named").0"
  rm -f "$named"
  if [ "$DISPLAY" = ":.0" ]; then
    echo "wine-session: the X server named no display within 30 s ($(kill -0 "$DBB_XVFB_PID" 2>/dev/null && echo "it was still running" || echo "it had ended"))" >&2
    return 1
  fi
  wine_prefix_start || return 1
  # Wine takes its desktop down a few seconds after the last program on it ends, and building it
  # again takes seconds; a program that stays on it keeps every test program's start fast.
  if [ -n "${2:-}" ]; then
    "$WINE" "$2" hold >/dev/null 2>&1 &
    wine_step "waiting for the desktop (winlook top)" "$WINE" "$2" top || return 1
  fi
}

wine_session_stop() {
  wine_prefix_stop
  [ -n "${DBB_XVFB_PID:-}" ] && kill "$DBB_XVFB_PID" >/dev/null 2>&1 || true
  DBB_XVFB_PID=
}
