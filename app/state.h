// The one record of application state.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "midi/ports.h"
#include "runtime/text.h"

namespace app {

constexpr std::size_t SliderCount = 12;

struct AppState {
  midi::Ports ports;                 // name tables and device handles
  std::int32_t SelectedOutput = 0;  // the output device the user chose
  runtime::Text deviceList;          // the chooser's list text
  runtime::Text deviceName;          // the opened device's name, as the header shows it
  std::int32_t eventKind = 0;        // the event the loop handled last
  std::array<std::int32_t, SliderCount> lastValues{};  // last value sent per slider row
};

// The state lives in static storage and is never destroyed: no destructor may run after the
// heaps that hold its texts are gone.
AppState& State();

// Zeroes the state (start-up step one).
void ResetState();

}  // namespace app
