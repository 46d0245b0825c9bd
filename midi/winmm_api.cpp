#include "midi/winmm_api.h"

namespace midi {

namespace {

// Both tables are made before WinMain runs, so using them needs no thread-safe first-use guard.
const WinmmApi realWinmm = {
    ::midiOutGetNumDevs,     ::midiOutGetDevCapsA, ::midiOutOpen,
    ::midiOutShortMsg,       ::midiOutClose,       ::midiOutPrepareHeader,
    ::midiOutLongMsg,        ::midiOutUnprepareHeader, ::midiOutReset,
    ::midiInGetNumDevs,      ::midiInGetDevCapsA,  ::midiInOpen,
    ::midiInStart,           ::midiConnect,
};
WinmmApi table = realWinmm;

}  // namespace

const WinmmApi& RealWinmm() { return realWinmm; }

WinmmApi& Winmm() { return table; }

}  // namespace midi
