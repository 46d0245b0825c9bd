// What every control of the panel is and what it sends: the sliders' columns and the buttons, with
// the Control Change each one makes. The panel's layout reads the same rows (app/panel_layout.h).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/state.h"
#include "ui/window.h"

namespace app {

constexpr std::int32_t ControlChange = 0xB0;  // status byte: Control Change on MIDI channel 1
constexpr std::int32_t SliderMaximum = 127;  // every slider sends 0 (at the bottom) to this (at the top)

// The header label over the columns, naming the output device.
constexpr ui::ControlNumber HeaderLabel = 0;

// One column of the panel: caption, slider and value display, top to bottom. The rows are in the
// order in which the loop reads the sliders and the panel places the columns, left to right.
struct SliderBinding {
  ui::ControlNumber slider;
  std::int32_t controller;
  ui::ControlNumber display;
  ui::ControlNumber caption;
  std::string_view captionText;
  // What the controller does on the organ: the slider's name for screen readers, and for people
  // reading MIDI logs.
  std::string_view meaning;
};

constexpr std::array<SliderBinding, SliderCount> SliderTable{{
    {1, 12, 21, 11, "16", "16' drawbar"},
    {2, 13, 22, 12, "5 1/3", "5 1/3' drawbar"},
    {3, 14, 23, 13, "8", "8' drawbar"},
    {4, 15, 24, 14, "4", "4' drawbar"},
    {5, 16, 25, 15, "2 2/3", "2 2/3' drawbar"},
    {6, 17, 26, 16, "2", "2' drawbar"},
    {7, 18, 27, 17, "1 3/5", "1 3/5' drawbar"},
    {8, 19, 28, 18, "1 1/3", "1 1/3' drawbar"},
    {9, 20, 29, 19, "1", "1' drawbar"},
    {10, 8, 30, 20, "R/H", "R/H"},
    {100, 9, 101, 40, "Dis.", "Distortion"},
    {102, 91, 103, 41, "Rev.", "Reverb"},
}};

// A button, where it stands, and the one Control Change each press sends.
struct ButtonAction {
  ui::ControlNumber button;
  std::string_view caption;
  std::int32_t controller;
  std::int32_t value;
  int x;
  int y;
  std::string_view meaning;
};

constexpr std::array<ButtonAction, 10> ButtonTable{{
    {50, "Perc OFF", 66, 0, 10, 175, "percussion off"},
    {51, "Perc 4th", 66, 8, 70, 175, "percussion 4th"},
    {52, "Perc 3rd", 66, 16, 130, 175, "percussion 3rd"},
    {53, "V/C OFF", 31, 0, 10, 200, "vibrato/chorus off"},
    {54, "Vib", 31, 8, 70, 200, "vibrato"},
    {55, "Cho", 31, 16, 130, 200, "chorus"},
    {56, "Les.ON", 68, 64, 190, 175, "rotary on"},
    {57, "Les.OFF", 68, 0, 190, 200, "rotary off"},
    {58, "Slow", 1, 0, 250, 175, "rotary slow"},
    {59, "Fast", 1, 64, 250, 200, "rotary fast"},
}};

// The panel's windows are ANSI windows, which read their texts in the system's code page: only
// ASCII reads the same in every one. (The German error texts go to the screen as UTF-16.)
constexpr bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}
constexpr bool PanelTextsAreAscii() {
  for (const SliderBinding& binding : SliderTable) {
    if (!IsAscii(binding.captionText) || !IsAscii(binding.meaning)) return false;
  }
  for (const ButtonAction& action : ButtonTable) {
    if (!IsAscii(action.caption)) return false;
  }
  return true;
}
static_assert(PanelTextsAreAscii(), "a caption or slider name outside ASCII would show wrong on other code pages");

}  // namespace app
