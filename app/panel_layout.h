// Where the panel and its controls stand, at 96 DPI, and how its window and labels look.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string_view>

#include "app/control_table.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

// The panel window and the geometry shared by its columns.
constexpr ui::WindowNumber PanelWindow = 0;
constexpr std::string_view PanelTitle = "Midi Drawbar box - for Karvello";
static_assert(IsAscii(PanelTitle));
constexpr int PanelWidth = 490;
constexpr int PanelHeight = 225;
constexpr std::uint32_t PanelFlags = WS_CAPTION | WS_SYSMENU;  // fixed size, not centred

// The header label over the columns.
constexpr int HeaderLeft = 25, HeaderTop = 5, HeaderWidth = 320, HeaderHeight = 18;
// How long the header stands alone before the columns are built (see BuildPanel).
constexpr DWORD HeaderPauseMs = 100;

constexpr int ColumnLeft(std::size_t column) { return 10 + 40 * static_cast<int>(column); }
constexpr int SliderTop = 50, SliderWidth = 30, SliderHeight = 100;
constexpr int CaptionTop = 35, DisplayTop = 150, LabelWidth = 35, LabelHeight = 20;
constexpr int ButtonWidth = 50, ButtonHeight = 20;

constexpr std::uint32_t CentredLabel = SS_CENTER;
constexpr std::uint32_t SunkenCentredLabel = SS_CENTER | ui::ClientEdgeFlag;
constexpr std::uint32_t VerticalSlider = TBS_VERT;

}  // namespace app
