// Tab and Shift+Tab (ui/window_layer.h): the focus moves among the tab stops of the active window,
// as the system's dialog manager moves it in dialogs.
#include "ui/window_layer.h"

namespace ui {

namespace {

bool IsTabStop(HWND window) {
  return IsWindowEnabled(window) && IsWindowVisible(window) && (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP);
}

// The tab stops among the descendants of the active window, in the order EnumChildWindows gives
// them, seen from the window that has the focus.
struct TabStops {
  HWND start;        // the focus window when it lies inside the active window, else null
  HWND first;
  HWND last;
  HWND beforeStart;  // the tab stop just before the start, when the start is one
  HWND afterStart;   // the tab stop just after the start, when the start is one
  bool startMet;     // the start is a tab stop
};

BOOL CALLBACK NoteTabStop(HWND window, LPARAM data) {
  auto& stops = *reinterpret_cast<TabStops*>(data);
  if (!IsTabStop(window)) return TRUE;
  if (stops.first == nullptr) stops.first = window;
  if (stops.startMet && stops.afterStart == nullptr) stops.afterStart = window;
  if (window == stops.start) {
    stops.startMet = true;
    stops.beforeStart = stops.last;
  }
  stops.last = window;
  return TRUE;
}

TabStops FindTabStops() {
  const HWND active = GetActiveWindow();
  const HWND focus = GetFocus();
  TabStops stops{IsChild(active, focus) ? focus : nullptr, nullptr, nullptr, nullptr, nullptr, false};
  EnumChildWindows(active, NoteTabStop, reinterpret_cast<LPARAM>(&stops));
  return stops;
}

// The focus rectangle shows where Tab has put the focus. A window starts with it hidden when the
// user has chosen to see keyboard cues only once the keyboard is used; after Tab it shows, as it
// does in the system's dialogs, whose dialog manager sends the same message on every Tab. The
// window's default processing changes nothing when the rectangle shows already.
void ShowFocusCues(HWND window) {
  SendMessageA(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

}  // namespace

void FocusNextTabStop() {
  const TabStops stops = FindTabStops();
  // Without a start the first tab stop; from the last one round to the first; a start that is no
  // tab stop keeps the focus.
  const HWND target = stops.start == nullptr ? stops.first
                      : stops.afterStart != nullptr ? stops.afterStart
                      : stops.startMet ? stops.first
                                       : nullptr;
  if (target == nullptr) return;
  SetFocus(target);
  ShowFocusCues(GetActiveWindow());
}

void FocusPreviousTabStop() {
  const TabStops stops = FindTabStops();
  // From the first tab stop, from no start and from a start that is no tab stop: round to the last.
  const HWND target = stops.beforeStart != nullptr ? stops.beforeStart : stops.last;
  if (target == nullptr) return;
  SetFocus(target);
  ShowFocusCues(GetActiveWindow());
}

}  // namespace ui
