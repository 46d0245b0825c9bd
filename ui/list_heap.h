// Entries of the layer's lists: windows and controls numbered by the layer itself, and the windows a
// message box disabled. They live in the small list heap, zero-filled.
#pragma once

#include <cstddef>

namespace ui {

// Null when the list heap has no room.
void* NewListEntry(std::size_t bytes);
void FreeListEntry(void* entry);

}  // namespace ui
