// Entries of the layer's lists: windows and controls numbered by the layer itself, and the windows a
// message box disabled. They live in the layer's small list heap, zero-filled.
#pragma once

#include <cstddef>

namespace ui {

// Creates the list heap (1024 bytes committed, growable) and destroys it, at the program's start and
// end; the first entry creates it where the start did not.
void CreateListHeap();
void DestroyListHeap();

// Null when the list heap has no room.
void* NewListEntry(std::size_t bytes);
void FreeListEntry(void* entry);

}  // namespace ui
