#include "ui/numbered_table.h"

#include <limits>

#include "runtime/heap.h"
#include "ui/window_tree.h"

namespace ui {

void* GrowTable(void* block, std::size_t bytes) {
  const HANDLE heap = runtime::PrivateHeap();
  return block == nullptr ? HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes)
                          : HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, bytes);
}

std::int32_t NextAutomaticNumber(std::int32_t previous) {
  std::int32_t next = previous > FirstAutomaticNumber || previous == std::numeric_limits<std::int32_t>::min()
                          ? FirstAutomaticNumber
                          : previous - 1;
  if (next == ReservedControlIdentifier) --next;
  return next;
}

}  // namespace ui
