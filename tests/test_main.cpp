// Test programs start the way the program does: the heaps exist before anything else runs.
#include <gtest/gtest.h>

#include "runtime/heap.h"

int main(int argc, char** argv) {
  runtime::CreatePrivateHeap();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
