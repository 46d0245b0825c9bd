#include "midi/output.h"

#include <cstddef>
#include <cstring>

#include "midi/device_list.h"
#include "midi/fatal_error.h"
#include "midi/sender.h"
#include "midi/winmm_api.h"
#include "runtime/number.h"

namespace midi {

static_assert(sizeof(MIDIOUTCAPSA) == 52 && offsetof(MIDIOUTCAPSA, szPname) == 8,
              "the product name is the 32 bytes at offset 8 of a 52-byte record");
#ifndef _WIN64
static_assert(sizeof(MIDIHDR) == 64, "a long-message header is 64 bytes on 32-bit Windows");
#endif

namespace {

// How often SendSysEx asks whether the driver has handed a long message back.
constexpr DWORD SysExWaitStepMs = 5;

}  // namespace

void EnumerateOutputDevices(Ports& ports) {
  ReadDeviceNames(ports.OutputNames, Winmm().midiOutGetNumDevs, Winmm().midiOutGetDevCapsA,
                  "kein Midi OUT Ger\xE4t vorhanden");
}

void OpenOutputDevice(Ports& ports, std::int32_t index) {
  // -1 reaches WinMM as MIDI_MAPPER. The handle is kept only once the device is open.
  HMIDIOUT handle = nullptr;
  const MMRESULT result = Winmm().midiOutOpen(&handle, static_cast<UINT>(index), 0, 0, CALLBACK_NULL);
  if (result == MMSYSERR_NOERROR) {
    ports.OutputHandle = handle;
    return;
  }
  RaiseOpenFailure("\xD6" "ffnen des MIDI-OUT Ger\xE4tes [", index, ports.OutputNames);
}

runtime::Text OutputDeviceName(const Ports& ports, std::int32_t index) {
  if (index >= 0 && static_cast<std::size_t>(index) < ports.OutputNames.size()) {
    return ports.OutputNames[static_cast<std::size_t>(index)];
  }
  MIDIOUTCAPSA caps{};
  if (Winmm().midiOutGetDevCapsA(static_cast<UINT_PTR>(static_cast<UINT>(index)), &caps, sizeof caps) ==
      MMSYSERR_NOERROR) {
    return runtime::CopyDeviceName(caps.szPname);
  }
  runtime::Text name = "MIDI-OUT ";
  name += runtime::DecimalText(index);
  return name;
}

std::int32_t SendShortMessage(const Ports& ports, std::int32_t status, std::int32_t data1, std::int32_t data2) {
  const DWORD message = ShortMessage(status, data1, data2);
  if (!QueueShortMessage(message)) Winmm().midiOutShortMsg(ports.OutputHandle, message);
  return 0;
}

void CloseOutputDevice(const Ports& ports) {
  while (Winmm().midiOutClose(ports.OutputHandle) == MIDIERR_STILLPLAYING) {
  }
}

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
