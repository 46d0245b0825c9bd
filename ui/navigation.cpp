#include "ui/window_layer.h"

namespace ui {

namespace {

bool IsTabStop(HWND window) {
  return IsWindowEnabled(window) && IsWindowVisible(window) && (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP);
}

// The focus window when it lies inside the active window, else null.
HWND NavigationStart() {
  const HWND focus = GetFocus();
  return IsChild(GetActiveWindow(), focus) ? focus : nullptr;
}

struct NextWalk {
  HWND start;
  HWND first;
  HWND target;
  bool startMet;
};

BOOL CALLBACK FindNext(HWND window, LPARAM data) {
  auto& walk = *reinterpret_cast<NextWalk*>(data);
  if (!IsTabStop(window)) return TRUE;
  if (walk.first == nullptr) walk.first = window;
  if (walk.start == nullptr || walk.startMet) {
    walk.target = window;
    return FALSE;
  }
  if (window == walk.start) walk.startMet = true;
  return TRUE;
}

struct PreviousWalk {
  HWND start;
  HWND lastSeen;
  HWND target;
};

BOOL CALLBACK FindPrevious(HWND window, LPARAM data) {
  auto& walk = *reinterpret_cast<PreviousWalk*>(data);
  if (!IsTabStop(window)) return TRUE;
  if (window == walk.start && walk.lastSeen != nullptr) {
    walk.target = walk.lastSeen;
    return FALSE;
  }
  walk.lastSeen = window;
  return TRUE;
}

}  // namespace

void FocusNextTabStop() {
  NextWalk walk{NavigationStart(), nullptr, nullptr, false};
  EnumChildWindows(GetActiveWindow(), FindNext, reinterpret_cast<LPARAM>(&walk));
  if (walk.target != nullptr) {
    SetFocus(walk.target);
  } else if (walk.startMet) {
    SetFocus(walk.first);  // from the last tab stop round to the first
  }
  // A start that is no tab stop keeps the focus.
}

void FocusPreviousTabStop() {
  PreviousWalk walk{NavigationStart(), nullptr, nullptr};
  EnumChildWindows(GetActiveWindow(), FindPrevious, reinterpret_cast<LPARAM>(&walk));
  const HWND target = walk.target != nullptr ? walk.target : walk.lastSeen;  // else round to the last
  if (target != nullptr) SetFocus(target);
}

}  // namespace ui
