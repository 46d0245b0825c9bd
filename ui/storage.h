// Storage of the layer's tables and of the entries it numbers itself.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace ui {

// Grows a zero-filled table in the private heap (or makes it, from null). The new bytes are zero.
// Gives null, and leaves the block as it was, when the heap cannot provide the room.
void* GrowTable(void* block, std::size_t bytes);

// Entries of automatically numbered windows and controls live in the list heap, zero-filled.
void* NewListEntry(std::size_t bytes);
void FreeListEntry(void* entry);

// The identifier that the window procedure does not count as a control's (WM_COMMAND).
constexpr std::int32_t ReservedControlIdentifier = -10000;

// The number after `previous` in the series of automatic numbers: -2, -3, -4, ... down to the
// smallest 32-bit number, then from -2 again. They never meet a table index or -1, and the series
// passes over ReservedControlIdentifier.
std::int32_t NextAutomaticNumber(std::int32_t previous);

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
