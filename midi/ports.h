// The MIDI devices of the machine as the application holds them.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "midi/names.h"

namespace midi {

struct Ports {
  NameTable OutputNames;  // product names of output devices 0 to 16
  NameTable InputNames;   // product names of input devices 0 to 16
  HMIDIOUT OutputHandle = nullptr;  // the one open output device, 0 until opened
  HMIDIIN InputHandle = nullptr;    // the open input device, 0 until opened
};

}  // namespace midi
