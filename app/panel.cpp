#include "app/panel.h"

#include "app/tables.h"
#include "midi/winmm_api.h"
#include "runtime/names.h"
#include "runtime/number.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

namespace {

// The device's name as the header shows it. Devices 0 to 16 have their entry in the table; for the
// MIDI mapper (-1) and devices above 16 the name is asked of WinMM, as it would list it.
runtime::Text DeviceName(const AppState& state) {
  const std::int32_t index = state.SelectedOutput;
  if (index >= 0 && static_cast<std::size_t>(index) < state.ports.OutputNames.size()) {
    return state.ports.OutputNames[static_cast<std::size_t>(index)];
  }
  MIDIOUTCAPSA caps{};
  if (midi::Winmm().midiOutGetDevCapsA(static_cast<UINT_PTR>(static_cast<UINT>(index)), &caps,
                                       sizeof caps) == MMSYSERR_NOERROR) {
    return runtime::CopyDeviceName(caps.szPname);
  }
  runtime::Text name = "MIDI-OUT ";
  name += runtime::DecimalText(index);
  return name;
}

}  // namespace

void BuildPanel(const AppState& state) {
  if (ui::OpenNumberedWindow(PanelWindow, 0, 0, PanelWidth, PanelHeight, PanelFlags, PanelTitle) != nullptr) {
    ui::BeginControls(ui::WindowHandle(PanelWindow));
  }
  ui::CreateLabel(HeaderLabel, 25, 5, 320, 18, "---", SunkenCentredLabel);
  ui::SetControlText(HeaderLabel, DeviceName(state));
  Sleep(100);

  for (std::size_t column = 0; column < SliderTable.size(); ++column) {
    ui::CreateSlider(SliderTable[column].slider, ColumnLeft(column), SliderTop, SliderWidth, SliderHeight, 0,
                     SliderMaximum, VerticalSlider);
  }
  for (std::size_t column = 0; column < SliderTable.size(); ++column) {
    ui::CreateLabel(SliderTable[column].caption, ColumnLeft(column), CaptionTop, LabelWidth, LabelHeight,
                    SliderTable[column].captionText, CentredLabel);
  }
  for (std::size_t column = 0; column < SliderTable.size(); ++column) {
    ui::CreateLabel(SliderTable[column].display, ColumnLeft(column), DisplayTop, LabelWidth, LabelHeight, "0",
                    SunkenCentredLabel);
  }
  for (const ButtonAction& action : ButtonTable) {
    ui::CreatePushButton(action.button, action.x, action.y, ButtonWidth, ButtonHeight, action.caption);
  }
}

}  // namespace app
