// Where a window stands among the windows: a control's identifier under its parent, which is its
// number, and the top-level window above it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/window.h"

namespace ui {

// The identifier no control gets, which EventControlNumber gives for an event without a control: the
// series of automatic numbers passes over it.
constexpr std::int32_t ReservedControlIdentifier = NoControlNumber;

// The window identifier of a control (GWLP_ID), taken as the 32-bit number it was created with.
inline std::int32_t WindowIdentifier(HWND window) {
  return static_cast<std::int32_t>(GetWindowLongPtrA(window, GWLP_ID));
}

// The top-level window above w, or w itself when it has no parent.
inline HWND TopLevelAncestor(HWND window) {
  for (HWND parent = GetParent(window); parent != nullptr; parent = GetParent(window)) window = parent;
  return window;
}

}  // namespace ui
