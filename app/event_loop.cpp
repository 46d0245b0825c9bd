#include "app/event_loop.h"

#include "app/shutdown.h"
#include "app/control_table.h"
#include "midi/output.h"
#include "midi/sender.h"
#include "runtime/number.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

namespace {

// The device's name, and while it is lost, that it is not connected: that much is always seen.
void ShowDeviceState(const AppState& state) {
  ui::SetControlTextKeepingTail(HeaderLabel, state.deviceName, midi::OutputConnected() ? "" : " (not connected)");
}

void SendButtonPress(const AppState& state, ui::ControlNumber pressed) {
  for (const ButtonAction& action : ButtonTable) {
    if (action.button == pressed) {
      midi::SendShortMessage(state.ports, ControlChange, action.controller, action.value);
      return;
    }
  }
}

// Every slider is read after every event, so a slider moved several times between two events
// sends only where it stands now.
void SendMovedSliders(AppState& state) {
  for (std::size_t row = 0; row < SliderTable.size(); ++row) {
    const SliderBinding& binding = SliderTable[row];
    // A slider destroyed, or its range changed, by another program: a gone one sends nothing, and no
    // value leaves the 0 to 127 of a MIDI data byte.
    if (ui::ControlHandle(binding.slider) == nullptr) continue;
    std::int32_t value = ui::GetControlState(binding.slider);
    value = value < 0 ? 0 : value > SliderMaximum ? SliderMaximum : value;
    if (value == state.lastValues[row]) continue;
    state.lastValues[row] = value;  // stored first: a lost message is not repeated
    midi::SendShortMessage(state.ports, ControlChange, binding.controller, value);
    ui::SetControlText(binding.display, runtime::DecimalText(value));  // at most 3 digits, within the display
  }
}

}  // namespace

bool RunLoopPass(AppState& state) {
  state.eventKind = ui::WaitEvent();
  if (state.eventKind == ui::ControlEvent) SendButtonPress(state, ui::EventControlNumber());
  if (state.eventKind == ui::NoticeEvent) ShowDeviceState(state);
  if (state.eventKind == ui::DeviceChangeEvent) midi::NoteDeviceChange();
  SendMovedSliders(state);
  return state.eventKind == ui::CloseEvent;
}

void RunEventLoop(AppState& state) {
  while (!RunLoopPass(state)) {
  }
  ExitProgram();
}

}  // namespace app
