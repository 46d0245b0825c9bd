#include "app/panel.h"

#include "app/tables.h"
#include "midi/output.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

void BuildPanel(const AppState& state) {
  if (ui::OpenNumberedWindow(PanelWindow, 0, 0, PanelWidth, PanelHeight, PanelFlags, PanelTitle) != nullptr) {
    ui::BeginControls(ui::WindowHandle(PanelWindow));
  }
  ui::CreateLabel(HeaderLabel, 25, 5, 320, 18, "---", SunkenCentredLabel);
  ui::SetControlText(HeaderLabel, midi::OutputDeviceName(state.ports, state.SelectedOutput));
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
