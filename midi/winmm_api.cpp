#include "midi/winmm_api.h"

namespace midi {

const WinmmApi& RealWinmm() {
  static const WinmmApi real = {
      ::midiOutGetNumDevs,     ::midiOutGetDevCapsA, ::midiOutOpen,
      ::midiOutShortMsg,       ::midiOutClose,       ::midiOutPrepareHeader,
      ::midiOutLongMsg,        ::midiOutUnprepareHeader, ::midiOutReset,
      ::midiInGetNumDevs,      ::midiInGetDevCapsA,  ::midiInOpen,
      ::midiInStart,           ::midiConnect,
  };
  return real;
}

WinmmApi& Winmm() {
  static WinmmApi table = RealWinmm();
  return table;
}

}  // namespace midi
