#include "app/panel.h"

#include "app/panel_layout.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

void BuildPanel(const AppState& state) {
  if (ui::OpenNumberedWindow(PanelWindow, 0, 0, PanelWidth, PanelHeight, PanelFlags, PanelTitle) != nullptr) {
    ui::BeginControls(ui::WindowHandle(PanelWindow));
  }
  ui::CreateLabel(HeaderLabel, HeaderLeft, HeaderTop, HeaderWidth, HeaderHeight, "---", SunkenCentredLabel);
  ui::SetControlTextKeepingTail(HeaderLabel, state.deviceName, "");
  // A label paints itself as soon as its text is set, so the name of the opened device is on the
  // screen at once; the pause leaves it there alone for a moment before the columns fill the panel,
  // so that the first thing the user reads is which device the panel plays. Nothing waits on it:
  // the device is open already, and no message is handled meanwhile.
  Sleep(HeaderPauseMs);

  for (std::size_t column = 0; column < SliderTable.size(); ++column) {
    ui::CreateSlider(SliderTable[column].slider, ColumnLeft(column), SliderTop, SliderWidth, SliderHeight, 0,
                     SliderMaximum, VerticalSlider);
    // A screen reader would otherwise name a slider after the label before it, and the captions
    // come after the sliders.
    ui::SetControlName(SliderTable[column].slider, SliderTable[column].meaning);
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
