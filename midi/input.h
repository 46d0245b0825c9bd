// The MIDI input side and the thru connection from the open input to the open output.
// Every failure is fatal: the text goes to RaiseFatalError (midi/fatal_error.h).
#pragma once

#include <cstdint>

#include "midi/ports.h"

namespace midi {

// Fills ports.InputNames; with no input device at all the program ends with a message.
void EnumerateInputDevices(Ports& ports);

// Opens the input device with InputCallback and starts it, or ends the program with a message.
void OpenInputDevice(Ports& ports, std::int32_t index);

// The WinMM input callback: runs on a thread of WinMM's, touches nothing and returns.
void CALLBACK InputCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                            DWORD_PTR param2);

// Lets WinMM pass everything arriving at the input on to the output, or ends the program.
void ConnectInputToOutput(const Ports& ports);

}  // namespace midi
