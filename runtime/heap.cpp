#include "runtime/heap.h"

#include <cstdlib>
#include <cstring>

namespace runtime {

#ifdef _WIN32

namespace {
constexpr SIZE_T PrivateHeapCommit = 4000;  // bytes committed at creation; both heaps grow
constexpr SIZE_T ListHeapCommit = 1024;
HANDLE privateHeap = nullptr;
HANDLE listHeap = nullptr;
}  // namespace

void CreateHeaps() {
  if (privateHeap == nullptr) privateHeap = HeapCreate(0, PrivateHeapCommit, 0);
  if (listHeap == nullptr) listHeap = HeapCreate(0, ListHeapCommit, 0);
}

void DestroyHeaps() {
  if (listHeap != nullptr) HeapDestroy(listHeap);
  if (privateHeap != nullptr) HeapDestroy(privateHeap);
  listHeap = nullptr;
  privateHeap = nullptr;
}

HANDLE PrivateHeap() {
  if (privateHeap == nullptr) CreateHeaps();
  return privateHeap;
}

HANDLE ListHeap() {
  if (listHeap == nullptr) CreateHeaps();
  return listHeap;
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
