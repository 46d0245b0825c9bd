// The program's two heaps and the allocator that puts its texts and tables into the private one.
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

// Standard allocator over the private heap, for texts and tables.
template <class T>
struct HeapAllocator {
  using value_type = T;
  HeapAllocator() = default;
  template <class U>
  constexpr HeapAllocator(const HeapAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateBytes(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) noexcept { FreeBytes(p); }
  template <class U>
  bool operator==(const HeapAllocator<U>&) const noexcept { return true; }
};

}  // namespace runtime
