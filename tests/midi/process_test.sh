#!/usr/bin/env bash
# Runs the port layer in real Windows processes under Wine, with the stand-in winmm.dll that the
# session put in the system's folder, and checks what they print and what the driver's log says they
# asked for.
#   process_test.sh exports | devices | send | open-failure | thru | connect-failure
# Needs DBB_BUILD_DIR (a build tree), WINE (its target's loader), DBB_SOURCE_DIR and a Wine session
# (tests/support/wine-session.sh).
set -euo pipefail
build=${DBB_BUILD_DIR:?}
wine=${WINE:?}
dll=$build/tests/support/winmm_double/winmm.dll
work=$(mktemp -d /tmp/dbb-midi.XXXXXX)
trap 'rm -rf "$work"' EXIT
export WINEDLLOVERRIDES="winmm=n"
export DBB_MIDI_LOG="Z:${work//\//\\}\\midi.log"
log=$work/midi.log

fail() { echo "FAIL: $*" >&2; [ -f "$log" ] && sed 's/^/  log: /' "$log" >&2; exit 1; }
same() { [ "$1" == "$2" ] || fail "$3"$'\n'"expected: $2"$'\n'"got:      $1"; }
run() { # run PROGRAM ARGS...: stdout without CR; the exit code in $status
  cp "$build/tests/midi/$1.exe" "$work/"
  local program=$1; shift
  status=0
  out=$(cd "$work" && "$wine" "$program.exe" "$@" | tr -d '\r') || status=$?
}
calls() { awk '{print $2}' "$log" | uniq | paste -sd' '; }  # functions in order, repeats folded
line() { grep " $1 " "$log" | sed -n "${2:-1}p" | cut -d' ' -f2-; }  # a log line without its time

case ${1:-} in
exports)
  names=$(/usr/bin/python3 "${DBB_SOURCE_DIR:?}/tests/support/pe.py" exports "$dll") || fail "cannot read the exports of $dll"
  same "$(echo "$names" | paste -sd' ')" "midiConnect midiInGetDevCapsA midiInGetNumDevs midiInOpen midiInStart \
midiOutClose midiOutGetDevCapsA midiOutGetNumDevs midiOutLongMsg midiOutOpen midiOutPrepareHeader midiOutReset \
midiOutShortMsg midiOutUnprepareHeader" "exported names"
  ;;
devices)
  # 18 outputs: three named (one of exactly 32 characters), the rest numbered by the driver.
  DBB_MIDI_OUT_NAMES='Alpha Synth|Thirty-two characters, no NUL 32|Gamma' DBB_MIDI_OUT_COUNT=18 \
    DBB_MIDI_IN_NAMES='Keys In' run midi_probe list
  same "$status" 0 "exit code"
  expected=$'out 0 = Alpha Synth\nout 1 = Thirty-two characters, no NUL 32\nout 2 = Gamma'
  for i in $(seq 3 16); do expected+=$'\n'"out $i = MIDI Out $i"; done
  same "$out" "$expected"$'\nin 0 = Keys In' "device list"
  same "$(calls)" "midiOutGetNumDevs midiOutGetDevCapsA midiInGetNumDevs midiInGetDevCapsA" "calls"
  same "$(grep -c midiOutGetDevCapsA "$log")" 18 "capability queries"
  same "$(line midiOutGetDevCapsA 18)" "midiOutGetDevCapsA device=17 size=52 result=0" "last query"
  same "$(line midiInGetDevCapsA)" "midiInGetDevCapsA device=0 size=44 result=0" "input query"
  ;;
send)
  # The driver keeps the SysEx for 300 ms; the layer must not let go of it earlier.
  DBB_MIDI_OUT_NAMES='A|B' DBB_MIDI_LONG_DELAY_MS=300 run midi_probe send 1
  same "$status/$out" "0/sent" "result"
  same "$(calls)" "midiOutGetNumDevs midiOutGetDevCapsA midiOutOpen midiOutShortMsg midiOutPrepareHeader \
midiOutLongMsg midiOutUnprepareHeader done midiOutUnprepareHeader midiOutClose" "calls"
  same "$(line midiOutOpen)" "midiOutOpen device=1 callback=0x0 flags=0x0 result=0" "open"
  same "$(line midiOutShortMsg)" "midiOutShortMsg handle=0x1001 msg=0x007F0CB0 result=0" "short message"
  same "$(line midiOutLongMsg)" "midiOutLongMsg handle=0x1001 length=6 data=F0,7E,7F,06,01,F7 result=0" "SysEx"
  # Still playing at every ask before the driver's "done", let go at the first ask after it.
  same "$(awk '$2=="done"{print "done"} $2=="midiOutUnprepareHeader"{print $NF}' "$log" | uniq | paste -sd' ')" \
    "result=65 done result=0" "unprepare results around the driver's done"
  same "$(line midiOutClose)" "midiOutClose handle=0x1001 result=0" "close"
  # A driver that keeps it far longer than the layer waits: the output is reset, which hands the
  # SysEx back, and only then is the header unprepared; the device then closes at the first ask.
  rm -f "$log"
  DBB_MIDI_OUT_NAMES='A|B' DBB_MIDI_LONG_DELAY_MS=60000 run midi_probe send 1
  same "$status/$out" "0/sent" "result with a driver that never finishes"
  same "$(calls)" "midiOutGetNumDevs midiOutGetDevCapsA midiOutOpen midiOutShortMsg midiOutPrepareHeader \
midiOutLongMsg midiOutUnprepareHeader done midiOutReset midiOutUnprepareHeader midiOutClose" "calls after the reset"
  same "$(line midiOutReset)" "midiOutReset handle=0x1001 result=0" "reset"
  same "$(grep ' midiOutUnprepareHeader ' "$log" | tail -1 | awk '{print $NF}')" "result=0" "unprepare after the reset"
  same "$(grep -c ' midiOutClose ' "$log")/$(line midiOutClose)" "1/midiOutClose handle=0x1001 result=0" "close"
  ;;
open-failure)
  DBB_MIDI_OUT_NAMES='A|B' DBB_MIDI_OUT_FAIL=1 run midi_probe send 1
  same "$status/$out" '3/fatal: \xD6ffnen des MIDI-OUT Ger\xE4tes [1] nicht m\xF6glich\x0D\x0A0 = A\x0D\x0A1 = B\x0D\x0A' \
    "busy device"
  same "$(line midiOutOpen)" "midiOutOpen device=1 callback=0x0 flags=0x0 result=4" "open"
  rm -f "$log"
  DBB_MIDI_OUT_NAMES='A' run midi_probe send -1
  same "$status/$(line midiOutOpen)" "3/midiOutOpen device=-1 callback=0x0 flags=0x0 result=68" "no mapper"
  rm -f "$log"
  DBB_MIDI_OUT_NAMES='A' DBB_MIDI_MAPPER=1 run midi_probe send -1
  same "$status/$(line midiOutShortMsg)" "0/midiOutShortMsg handle=0x1FFF msg=0x007F0CB0 result=0" "mapper"
  ;;
thru)
  DBB_MIDI_OUT_NAMES='Synth' DBB_MIDI_IN_NAMES='Keys' run midi_probe thru 0 0
  same "$status/$out" "0/connected" "result"
  same "$(calls)" "midiOutOpen midiInOpen midiInStart midiConnect" "calls"
  line midiInOpen | grep -q -E '^midiInOpen device=0 callback=0x[0-9A-F]*[1-9A-F][0-9A-F]* flags=0x30000 result=0$' ||
    fail "input opened without its callback"
  same "$(line midiInStart)/$(line midiConnect)" \
    "midiInStart handle=0x2000 result=0/midiConnect input=0x2000 output=0x1000 result=0" "start and connect"
  DBB_MIDI_OUT_NAMES='Synth' DBB_MIDI_IN_NAMES='Keys' DBB_MIDI_IN_START_FAIL=0 run midi_probe thru 0 0
  same "$status/$out" '3/fatal: Starten des MIDI-IN Ger\xE4tes nicht m\xF6glich' "start failure"
  ;;
connect-failure)
  # The program's own road out: the "Error" box, then exit code 0.
  cp "$build/tests/midi/midi_fatal_probe.exe" "$work/"
  (cd "$work" && DBB_MIDI_OUT_NAMES='Synth' DBB_MIDI_IN_NAMES='Keys' DBB_MIDI_CONNECT_FAIL=1 \
    timeout 60 "$wine" midi_fatal_probe.exe >probe.out 2>/dev/null) &
  probe=$!
  status=0
  out=$("$wine" "$build/tests/support/winlook/winlook.exe" box Error 30000 | tr -d '\r') || status=$?
  same "$status" 0 "no Error box appeared"
  same "$out" $'text: MIDI-In und MIDI-Out k\\xF6nnen nicht verbunden werden\nbuttons: OK' "box"
  status=0
  wait "$probe" || status=$?
  same "$status" 0 "exit code"
  same "$(tr -d '\r' <"$work/probe.out")" "" "went on after the failure"
  same "$(awk '{print $2, $NF}' "$log" | tail -1)" "midiConnect result=8" "connect"
  ;;
*)
  echo "usage: $0 exports|devices|send|open-failure|thru|connect-failure" >&2
  exit 2
  ;;
esac
echo "passed: $1"
