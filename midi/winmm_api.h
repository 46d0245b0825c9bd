// The WinMM MIDI functions the port layer calls, reached through one table so that tests can
// replace them. The program does not import winmm.dll, which is no KnownDLL: a file of that name
// beside the program would be loaded first. LoadWinmm fills the table from the system's own.
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

// The table in use; empty until LoadWinmm or a test fills it.
WinmmApi& Winmm();

// Fills the table from winmm.dll in the system's folder. Where the DLL or one of the functions is
// missing, the program ends with a message (midi/fatal_error.h) and the table stays as it was.
void LoadWinmm();

}  // namespace midi
