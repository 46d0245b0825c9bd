// What every control of the panel is, where it stands and what it sends.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/state.h"
#include "ui/window.h"

namespace app {

constexpr std::int32_t ControlChange = 0xB0;  // status byte: Control Change on MIDI channel 1

// A slider, the controller it drives and the label that shows its value, in the order of the pass.
struct SliderBinding {
  ui::ControlNumber slider;
  std::int32_t controller;
  ui::ControlNumber display;
  std::string_view meaning;  // what the controller does on the organ, for people reading MIDI logs
};

constexpr std::array<SliderBinding, SliderCount> SliderTable{{
    {1, 12, 21, "16' drawbar"},
    {2, 13, 22, "5 1/3' drawbar"},
    {3, 14, 23, "8' drawbar"},
    {4, 15, 24, "4' drawbar"},
    {5, 16, 25, "2 2/3' drawbar"},
    {6, 17, 26, "2' drawbar"},
    {7, 18, 27, "1 3/5' drawbar"},
    {8, 19, 28, "1 1/3' drawbar"},
    {9, 20, 29, "1' drawbar"},
    {10, 8, 30, "R/H"},
    {100, 9, 101, "distortion"},
    {102, 91, 103, "reverb"},
}};

// A button and the one Control Change each press sends.
struct ButtonAction {
  ui::ControlNumber button;
  std::string_view caption;
  std::int32_t controller;
  std::int32_t value;
};

constexpr std::array<ButtonAction, 10> ButtonTable{{
    {50, "Perc OFF", 66, 0},
    {51, "Perc 4th", 66, 8},
    {52, "Perc 3rd", 66, 16},
    {53, "V/C OFF", 31, 0},
    {54, "Vib", 31, 8},
    {55, "Cho", 31, 16},
    {56, "Les.ON", 68, 64},
    {57, "Les.OFF", 68, 0},
    {58, "Slow", 1, 0},
    {59, "Fast", 1, 64},
}};

}  // namespace app
