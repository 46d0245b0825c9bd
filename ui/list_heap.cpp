#include "ui/list_heap.h"

#include <windows.h>

namespace ui {

namespace {

constexpr SIZE_T ListHeapCommit = 1024;  // bytes committed at creation; the heap grows
HANDLE listHeap = nullptr;

HANDLE ListHeap() {
  CreateListHeap();
  return listHeap;
}

}  // namespace

void CreateListHeap() {
  if (listHeap == nullptr) listHeap = HeapCreate(0, ListHeapCommit, 0);
}

void DestroyListHeap() {
  if (listHeap != nullptr) HeapDestroy(listHeap);
  listHeap = nullptr;
}

void* NewListEntry(std::size_t bytes) { return HeapAlloc(ListHeap(), HEAP_ZERO_MEMORY, bytes); }

void FreeListEntry(void* entry) {
  if (entry != nullptr) HeapFree(ListHeap(), 0, entry);
}

}  // namespace ui
