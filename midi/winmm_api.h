// The WinMM MIDI functions the port layer calls, reached through one table so that tests can
// replace them. The table holds the real functions until something overwrites an entry.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace midi {

struct WinmmApi {
  UINT(WINAPI* midiOutGetNumDevs)();
  MMRESULT(WINAPI* midiOutGetDevCapsA)(UINT_PTR device, LPMIDIOUTCAPSA caps, UINT size);
  MMRESULT(WINAPI* midiOutOpen)(LPHMIDIOUT handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                                DWORD flags);
  MMRESULT(WINAPI* midiOutShortMsg)(HMIDIOUT handle, DWORD message);
  MMRESULT(WINAPI* midiOutClose)(HMIDIOUT handle);
  MMRESULT(WINAPI* midiOutPrepareHeader)(HMIDIOUT handle, LPMIDIHDR header, UINT size);
  MMRESULT(WINAPI* midiOutLongMsg)(HMIDIOUT handle, LPMIDIHDR header, UINT size);
  MMRESULT(WINAPI* midiOutUnprepareHeader)(HMIDIOUT handle, LPMIDIHDR header, UINT size);
  MMRESULT(WINAPI* midiOutReset)(HMIDIOUT handle);
  UINT(WINAPI* midiInGetNumDevs)();
  MMRESULT(WINAPI* midiInGetDevCapsA)(UINT_PTR device, LPMIDIINCAPSA caps, UINT size);
  MMRESULT(WINAPI* midiInOpen)(LPHMIDIIN handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                               DWORD flags);
  MMRESULT(WINAPI* midiInStart)(HMIDIIN handle);
  MMRESULT(WINAPI* midiConnect)(HMIDI input, HMIDIOUT output, LPVOID reserved);
};

// The table in use.
WinmmApi& Winmm();
// The real WinMM functions, for tests that put the table back.
const WinmmApi& RealWinmm();

}  // namespace midi
