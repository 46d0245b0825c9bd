// The output side's long messages and its plain close (midi/output.h), in a file of their own: the
// panel uses neither, and the program carries only the files whose functions it calls.
#include <cstring>

#include "midi/output.h"
#include "midi/winmm_api.h"

namespace midi {

#ifndef _WIN64
static_assert(sizeof(MIDIHDR) == 64, "a long-message header is 64 bytes on 32-bit Windows");
#endif

namespace {

// How often SendSysEx asks whether the driver has handed a long message back.
constexpr DWORD SysExWaitStepMs = 5;

}  // namespace

void CloseOutputDevice(const Ports& ports) { CloseDevice(ports.OutputHandle, CloseWaitLimitMs); }

std::int32_t SendSysEx(const Ports& ports, const unsigned char* block, std::uint32_t waitLimitMs) {
  const DWORD count = static_cast<DWORD>(block[0]) | static_cast<DWORD>(block[1]) << 8 |
                      static_cast<DWORD>(block[2]) << 16 | static_cast<DWORD>(block[3]) << 24;
  MIDIHDR header;
  std::memset(&header, 0, sizeof header);
  header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char*>(block + 4));
  header.dwBufferLength = count;
  header.dwBytesRecorded = count;

  WinmmApi& winmm = Winmm();
  winmm.midiOutPrepareHeader(ports.OutputHandle, &header, sizeof header);
  winmm.midiOutLongMsg(ports.OutputHandle, &header, sizeof header);
  // The driver may still be sending from the header and the block. Neither may go away before it
  // is done, so unpreparing is asked again until it no longer answers "still playing". A driver that
  // has not finished by the limit is reset: it stops sending and hands every buffer back marked
  // done, and the header can be unprepared. Returning while it still held them would let the
  // caller's next use of that memory change what the driver sends or writes.
  const ULONGLONG start = GetTickCount64();
  while (winmm.midiOutUnprepareHeader(ports.OutputHandle, &header, sizeof header) == MIDIERR_STILLPLAYING) {
    if (GetTickCount64() - start >= waitLimitMs) {
      winmm.midiOutReset(ports.OutputHandle);
      winmm.midiOutUnprepareHeader(ports.OutputHandle, &header, sizeof header);
      break;
    }
    Sleep(SysExWaitStepMs);
  }
  return 0;
}

}  // namespace midi
