#include "midi/input.h"

#include <cstddef>

#include "midi/device_list.h"
#include "midi/fatal_error.h"
#include "midi/winmm_api.h"

namespace midi {

static_assert(sizeof(MIDIINCAPSA) == 44 && offsetof(MIDIINCAPSA, szPname) == 8,
              "the product name is the 32 bytes at offset 8 of a 44-byte record");

void EnumerateInputDevices(Ports& ports) {
  ReadDeviceNames(ports.InputNames, Winmm().midiInGetNumDevs, Winmm().midiInGetDevCapsA,
                  "kein Midi IN Ger\xE4t vorhanden");
}

void OpenInputDevice(Ports& ports, std::int32_t index) {
  HMIDIIN handle = nullptr;
  const MMRESULT result = Winmm().midiInOpen(&handle, static_cast<UINT>(index),
                                             reinterpret_cast<DWORD_PTR>(&InputCallback), 0, CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    RaiseOpenFailure("\xD6" "ffnen des MIDI-IN Ger\xE4tes [", index, ports.InputNames);
    return;
  }
  ports.InputHandle = handle;
  if (Winmm().midiInStart(handle) != MMSYSERR_NOERROR) {
    RaiseFatalError("Starten des MIDI-IN Ger\xE4tes nicht m\xF6glich");
  }
}

// Incoming data reaches the output through the thru connection; nothing here looks at it.
void CALLBACK InputCallback(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

void ConnectInputToOutput(const Ports& ports) {
  if (ports.InputHandle == nullptr || ports.OutputHandle == nullptr) {
    RaiseFatalError("MIDI-In / MIDI-Out HandleNr ung\xFCltig");
    return;
  }
  if (Winmm().midiConnect(reinterpret_cast<HMIDI>(ports.InputHandle), ports.OutputHandle, nullptr) !=
      MMSYSERR_NOERROR) {
    RaiseFatalError("MIDI-In und MIDI-Out k\xF6nnen nicht verbunden werden");
  }
}

}  // namespace midi
