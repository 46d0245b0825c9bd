# Sourced by the scripts that run Windows programs: a private X server with two screens (the second
# one small, narrower than the device dialog) and a fresh Wine prefix with a persistent wineserver.
#   wine_session_start [WINLOOK]  exports DISPLAY, WINEPREFIX, WINEDEBUG, WINE, WINESERVER; given
#                                 the winlook program, keeps it on the desktop for the session
#   wine_session_stop    ends the wineserver and the X server and removes the prefix

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

wine_session_start() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -screen 1 320x240x24 -nolisten tcp >/dev/null 2>&1 &
  DBB_XVFB_PID=$!
  export DISPLAY=":$n.0"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/dbb-wine.XXXXXX)
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  export WINE WINESERVER
  # The wineserver and Wine's own service processes start here, away from the output of the tests:
  # a test run by ctest must not leave a process behind that holds its output open.
  "$WINESERVER" -p >/dev/null 2>&1
  "$WINE" wineboot -i >/dev/null 2>&1
  # Without a window manager Wine waits on every window close unless it manages windows itself.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # Wine takes its desktop down a few seconds after the last program on it ends, and building it
  # again takes seconds; a program that stays on it keeps every test program's start fast.
  if [ -n "${1:-}" ]; then
    "$WINE" "$1" hold >/dev/null 2>&1 &
    "$WINE" "$1" top >/dev/null 2>&1
  fi
}

wine_session_stop() {
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -n "${DBB_XVFB_PID:-}" ] && kill "$DBB_XVFB_PID" >/dev/null 2>&1 || true
  case "${WINEPREFIX:-}" in /tmp/dbb-wine.*) rm -rf "$WINEPREFIX" ;; esac
  DBB_XVFB_PID=
}
