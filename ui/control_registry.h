// The control registry: which control stands under which number, for the controls of all windows.
// A record is claimed before its control's window is made and released when that window is gone.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "ui/control_kinds.h"
#include "ui/window.h"

namespace ui {

// Room for the name a screen reader announces, the terminating zero included.
constexpr std::size_t ControlNameRoom = 32;

struct ControlRecord {
  HWND window;  // 0: no live control stands here
  const ControlKind* kind;
  WNDPROC previousProcedure;  // the class procedure in place when the layer hooked the control
  RECT place;  // left, top, width and height at 96 DPI, as the control was made
  std::array<char, ControlNameRoom> name;  // Windows-1252, zero-terminated; empty: the window system's name
};

// Empties the registry (capacity 30); without room every number is refused.
void InitControlRegistry();

// The record under the number, live or free; null for numbers that name no record.
ControlRecord* RecordOf(ControlNumber number);

// The live record under the number, or one whose window is 0.
const ControlRecord& FindControl(ControlNumber number);

// The record of the control living in this window; null when the window is none of the layer's
// controls, is gone, or its number has gone to another control meanwhile. Any program can name any
// window to the layer.
const ControlRecord* LiveRecord(HWND window);

// The first step of every constructor: the number under which the new control goes, with a live
// control under it destroyed. Gives the number, or the number of a new automatic record; 0 with
// `claimed` false when the number is refused.
ControlNumber ClaimControlSlot(ControlNumber number, bool& claimed);

// Frees the number: a table record is left without a window, an automatic record is dropped.
void ReleaseControlSlot(ControlNumber number);

}  // namespace ui
