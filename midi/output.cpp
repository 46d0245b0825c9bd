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
    return CopyDeviceName(caps.szPname);
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

void CloseDevice(HMIDIOUT handle, DWORD waitLimitMs) {
  const ULONGLONG start = GetTickCount64();
  for (DWORD pause = 0; Winmm().midiOutClose(handle) == MIDIERR_STILLPLAYING;) {
    Winmm().midiOutReset(handle);
    if (!PauseBeforeAskingAgain(pause, start, waitLimitMs)) return;
  }
}

bool PauseBeforeAskingAgain(DWORD& pauseMs, ULONGLONG start, DWORD limitMs) {
  if (GetTickCount64() - start >= limitMs) return false;
  pauseMs = pauseMs < 16 ? pauseMs * 2 + 1 : 32;  // 1, 3, 7, 15, 31, then 32 ms
  Sleep(pauseMs);
  return true;
}

}  // namespace midi
