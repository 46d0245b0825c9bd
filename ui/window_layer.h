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
  UINT dpi;     // the DPI its client area and controls are laid out for
  HFONT font;   // its controls' font, made for that DPI (the stock font at the system's DPI)
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
  UINT systemDpi;  // the DPI the stock font is made for
  // user32's per-window DPI functions where the system has them (Windows 10 1607 on), else null.
  UINT(WINAPI* dpiForWindow)(HWND);
  BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);
};

extern WindowLayer windowLayer;

// The entry of the numbered window with this handle (automatic entries first, then 0 to
// capacity - 1), or null.
WindowEntry* FindWindowEntry(HWND window);

// Lays the window and its controls out for a new DPI: the window takes the outer rectangle, its
// controls their 96-DPI places scaled, and a font made for the DPI, which frees the one before.
void RescaleWindow(HWND window, UINT dpi, const RECT& outer);

// Keeps a new control's 96-DPI place in its record and gives it scaled to the DPI of the parent's
// window: left, top, width, height.
RECT PlaceControl(ControlNumber id, HWND parent, int x, int y, int width, int height);

LRESULT CALLBACK NumberedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Tab and Shift+Tab among the descendants of the active window.
void FocusNextTabStop();
void FocusPreviousTabStop();

}  // namespace ui
