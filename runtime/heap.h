// The program's two heaps: the private one holds its texts and tables.
#pragma once

#include <cstddef>

#ifdef _WIN32
#include <windows.h>
#endif

namespace runtime {

#ifdef _WIN32
// Creates the private heap (4000 bytes committed, growable) and the small list heap (1024 bytes)
// that holds the entries of windows and controls numbered by the layer itself.
void CreateHeaps();
// Destroys both heaps. Nothing allocated from them may be touched afterwards.
void DestroyHeaps();
// The heaps; each is created on first use if CreateHeaps has not run yet.
HANDLE PrivateHeap();
HANDLE ListHeap();
#endif

// Raw storage from the private heap (the C heap in a native build). Never returns null:
// running out of memory ends the process.
void* AllocateBytes(std::size_t size);
void FreeBytes(void* block);

}  // namespace runtime
