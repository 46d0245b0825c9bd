#include "scripted_panel.h"

#include <gtest/gtest.h>

#include "app/shutdown.h"
#include "midi/winmm_api.h"
#include "ui/controls.h"

namespace scripted {

Panel& ThePanel() {
  static Panel panel;
  return panel;
}

namespace {
MMRESULT WINAPI RecordShortMsg(HMIDIOUT, DWORD message) {
  ThePanel().sent.push_back(message);
  return MMSYSERR_NOERROR;
}
}  // namespace

void Reset() {
  ThePanel() = Panel{};
  midi::Winmm() = {};
  midi::Winmm().midiOutShortMsg = RecordShortMsg;
}

}  // namespace scripted

// The window layer as the loop sees it.
namespace ui {

EventKind WaitEvent() {
  scripted::Panel& panel = scripted::ThePanel();
  if (panel.steps.empty()) {
    ADD_FAILURE() << "the loop waited for an event the script does not have";
    return CloseEvent;
  }
  scripted::Step step = panel.steps.front();
  panel.steps.pop_front();
  for (const auto& [slider, state] : step.moves) panel.sliderStates[slider] = state;
  panel.eventControl = step.control;  // each fetch carries its own or none
  return step.kind;
}

ControlNumber EventControlNumber() { return scripted::ThePanel().eventControl; }

std::int32_t GetControlState(ControlNumber number) {
  const auto found = scripted::ThePanel().sliderStates.find(number);
  return found == scripted::ThePanel().sliderStates.end() ? 0 : found->second;
}

HWND ControlHandle(ControlNumber number) {  // a slider never moved stands at 0
  return scripted::ThePanel().sliderStates[number] != scripted::Gone ? GetDesktopWindow() : nullptr;
}

bool SetControlText(ControlNumber number, std::string_view text) {
  scripted::ThePanel().texts[number] = std::string(text);
  ++scripted::ThePanel().textWrites;
  return true;
}

void SetControlTextKeepingTail(ControlNumber number, std::string_view head, std::string_view tail) {
  SetControlText(number, std::string(head) + std::string(tail));
}

}  // namespace ui

// The loop's end: thrown here so a test can see the loop leave (this file is built with exceptions).
void app::ExitProgram() { throw scripted::ProgramEnded{}; }
