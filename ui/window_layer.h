// The state of the window layer, shared by the window table, the event fetch and the window procedure.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "ui/numbered_table.h"
#include "ui/window.h"

namespace ui {

// WM_GETDPISCALEDSIZE, which Windows sends from 10 1703 on: the headers name it only for that version.
constexpr UINT GetDpiScaledSizeMessage = 0x02E4;

struct WindowEntry {
  HWND window;  // 0: the number has no window
  SIZE client;  // its client area at 96 DPI, as it was opened
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
  // The DPI of a window's screen: user32's GetDpiForWindow (Windows 10 1607 on), on Windows 8.1 the
  // DPI of its monitor through shcore's GetDpiForMonitor, else null (one DPI for all screens).
  UINT(WINAPI* dpiForWindow)(HWND);
  HRESULT(WINAPI* dpiForMonitor)(HMONITOR, int, UINT*, UINT*);  // shcore's, where dpiForWindow is not user32's
  // user32's, Windows 10 1607 on, else null.
  BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);
  // user32's on Windows 10 1607 alone, the one system that runs the program per monitor with the
  // frame at the system's DPI unless asked; else null.
  BOOL(WINAPI* enableNonClientDpiScaling)(HWND);
};

extern WindowLayer windowLayer;

// The entry of the numbered window with this handle (automatic entries first, then 0 to
// capacity - 1), or null.
WindowEntry* FindWindowEntry(HWND window);

// Lays the window and its controls out for a new DPI: the window takes the outer rectangle, its
// controls their 96-DPI places scaled, and a font made for the DPI, which frees the one before. Should
// the move itself bring the window to yet another DPI, the controls follow the last one.
void RescaleWindow(HWND window, UINT dpi, const RECT& outer);

// The outer size the window has at the DPI: its 96-DPI client area scaled, with the frame for the
// DPI. False for a window that is not numbered.
bool ScaledOuterSize(HWND window, UINT dpi, SIZE& outer);

// Keeps a new control's 96-DPI place in its record and gives it scaled to the DPI of the parent's
// window: left, top, width, height.
RECT PlaceControl(ControlNumber id, HWND parent, int x, int y, int width, int height);

// Until UnhookWindowsHookEx, the thread's fetches leave posted messages that only the system should
// send undispatched, in whatever loop: for the system's own loops, which the layer does not run.
HHOOK GuardSystemLoop();

LRESULT CALLBACK NumberedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Tab and Shift+Tab among the descendants of the active window.
void FocusNextTabStop();
void FocusPreviousTabStop();

}  // namespace ui
