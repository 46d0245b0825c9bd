#include "ui/list_heap.h"

#include "runtime/heap.h"

namespace ui {

void* NewListEntry(std::size_t bytes) { return HeapAlloc(runtime::ListHeap(), HEAP_ZERO_MEMORY, bytes); }

void FreeListEntry(void* entry) {
  if (entry != nullptr) HeapFree(runtime::ListHeap(), 0, entry);
}

}  // namespace ui
