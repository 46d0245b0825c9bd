// The program's private heap, which holds its texts and tables.
#pragma once

#include <cstddef>

#ifdef _WIN32
#include <windows.h>
#endif

namespace runtime {

#ifdef _WIN32
// Creates the private heap: 4000 bytes committed, growable.
void CreatePrivateHeap();
// Destroys it. Nothing allocated from it may be touched afterwards.
void DestroyPrivateHeap();
// The heap; created on first use if CreatePrivateHeap has not run yet.
HANDLE PrivateHeap();
#endif

// Raw storage from the private heap (the C heap in a native build). Never returns null:
// running out of memory ends the process.
void* AllocateBytes(std::size_t size);
void FreeBytes(void* block);

}  // namespace runtime
