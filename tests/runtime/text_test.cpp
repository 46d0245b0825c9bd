#include "runtime/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <utility>

namespace {

using runtime::Text;

static_assert(!std::is_constructible_v<Text, std::nullptr_t>, "a null pointer is no text");

TEST(Text, CopiesAreIndependentAndMovesLeaveAnEmptyText) {
  Text original = "Synth";
  Text copy = original;
  Text assigned;
  assigned = original;
  copy.data()[0] = 'X';
  assigned += " 2";
  EXPECT_EQ(original, "Synth");
  EXPECT_EQ(copy, "Xynth");
  EXPECT_EQ(assigned, "Synth 2");

  Text moved = std::move(original);
  EXPECT_EQ(moved, "Synth");
  EXPECT_TRUE(original.empty());  // NOLINT(bugprone-use-after-move): what a move leaves behind
  original = moved;  // a moved-from text takes a value again
  EXPECT_EQ(original, "Synth");
}

TEST(Text, AppendingItsOwnBytesWhileGrowing) {
  Text text = "ab";
  for (int i = 0; i < 6; ++i) text += text;  // each append outgrows the block it reads from
  EXPECT_EQ(text.size(), 128u);
  EXPECT_EQ(text.view().substr(120), "abababab");
  EXPECT_EQ(std::strlen(text.c_str()), 128u);
}

TEST(Text, ResizeCutsOrFillsWithZerosAndStaysZeroEnded) {
  Text text(5, 'x');
  text.resize(2);
  EXPECT_STREQ(text.c_str(), "xx");
  text.resize(4);
  EXPECT_EQ(text, std::string_view("xx\0\0", 4));
  EXPECT_EQ(text.c_str()[4], '\0');
  EXPECT_STREQ(Text().c_str(), "");  // what an empty text hands to a Windows call
}

}  // namespace
