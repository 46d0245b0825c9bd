// The state of the window layer, shared by the window table, the event fetch and the window procedure.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "ui/numbered_table.h"
#include "ui/window.h"

namespace ui {

struct WindowEntry {
  HWND window;  // 0: the number has no window
  std::int32_t acceleratorCount;  // 2 once the navigation accelerators exist
  ACCEL* accelerators;
  HACCEL acceleratorTable;
};

struct DeferredSlot {
  EventKind kind;  // 0: empty
  HWND window;
};

struct WindowLayer {
  HINSTANCE instance;
  NumberedTable<WindowEntry> windows;  // the window table, and the windows opened with AutoWindowNumber
  HWND currentWindow;
  HWND eventWindow;
  ControlNumber eventControlNumber;
  EventKind pendingEvent;
  DeferredSlot deferredEvent;
  MSG lastMessage;
  WNDCLASSA windowClassTemplate;
  std::array<char, 50> className;
};

extern WindowLayer windowLayer;

// The entry of the numbered window with this handle (automatic entries first, then 0 to
// capacity - 1), or null.
WindowEntry* FindWindowEntry(HWND window);

LRESULT CALLBACK NumberedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Tab and Shift+Tab among the descendants of the active window.
void FocusNextTabStop();
void FocusPreviousTabStop();

}  // namespace ui
