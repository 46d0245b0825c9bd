#include "runtime/heap.h"

#include <cstdlib>
#include <cstring>

namespace runtime {

#ifdef _WIN32

namespace {
constexpr SIZE_T PrivateHeapCommit = 4000;  // bytes committed at creation; the heap grows
HANDLE privateHeap = nullptr;
}  // namespace

void CreatePrivateHeap() {
  if (privateHeap == nullptr) privateHeap = HeapCreate(0, PrivateHeapCommit, 0);
}

void DestroyPrivateHeap() {
  if (privateHeap != nullptr) HeapDestroy(privateHeap);
  privateHeap = nullptr;
}

HANDLE PrivateHeap() {
  CreatePrivateHeap();
  return privateHeap;
}

void* AllocateBytes(std::size_t size) {
  void* block = HeapAlloc(PrivateHeap(), 0, size == 0 ? 1 : size);
  if (block == nullptr) std::abort();
  return block;
}

void FreeBytes(void* block) {
  if (block != nullptr && privateHeap != nullptr) HeapFree(privateHeap, 0, block);
}

#else  // native build, used by the fuzzers

void* AllocateBytes(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) std::abort();
  return block;
}

void FreeBytes(void* block) { std::free(block); }

#endif

}  // namespace runtime
