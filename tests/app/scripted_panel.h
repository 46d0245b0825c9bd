// A scripted stand-in for the panel's windows, so the loop can be driven event by event: each step
// first moves sliders (as a hand would between two events), then delivers one event.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/window.h"

namespace scripted {

struct Step {
  std::vector<std::pair<ui::ControlNumber, std::int32_t>> moves;  // slider states before the event
  ui::EventKind kind;
  ui::ControlNumber control;  // the event's control, or NoControl
};

constexpr ui::ControlNumber NoControl = ui::NoControlNumber;
constexpr std::int32_t Gone = INT32_MIN;  // a slider moved to Gone is destroyed

struct Panel {
  std::deque<Step> steps;
  std::map<ui::ControlNumber, std::int32_t> sliderStates;
  std::map<ui::ControlNumber, std::string> texts;
  ui::ControlNumber eventControl = NoControl;
  std::vector<std::uint32_t> sent;  // every message handed to midiOutShortMsg
  int textWrites = 0;
};

// What the stand-in ExitProgram throws, so that a test sees the loop end the program.
struct ProgramEnded {};

// The one scripted panel the window-layer stand-ins read and write.
Panel& ThePanel();
// A fresh panel, and midiOutShortMsg recording into it.
void Reset();

}  // namespace scripted
