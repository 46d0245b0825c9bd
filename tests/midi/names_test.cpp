#include "midi/names.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using midi::NameTable;
using runtime::Text;

TEST(CopyDeviceName, StopsAtNulOrAfter32Bytes) {
  char field[32] = "Synth";
  EXPECT_EQ(midi::CopyDeviceName(field), "Synth");

  char full[33];
  std::memset(full, 'N', sizeof full);  // 32 name bytes with no NUL, then a byte that is not part of it
  full[32] = 'X';
  const Text name = midi::CopyDeviceName(full);
  EXPECT_EQ(name.size(), 32u);
  EXPECT_EQ(name, Text(32, 'N'));

  char empty[32] = {};
  EXPECT_EQ(midi::CopyDeviceName(empty), "");
}

TEST(FailureListText, ListsNamedDevicesUpTo15AfterALeadingLineBreak) {
  NameTable names;
  EXPECT_EQ(midi::FailureListText(names), "\r\n");

  names[0] = "A";
  names[1] = "B";
  EXPECT_EQ(midi::FailureListText(names), "\r\n0 = A\r\n1 = B\r\n");

  // Gaps are skipped, and the seventeenth entry is never listed.
  NameTable gaps;
  gaps[2] = "Two";
  gaps[15] = "Fifteen";
  gaps[16] = "Sixteen";
  EXPECT_EQ(midi::FailureListText(gaps), "\r\n2 = Two\r\n15 = Fifteen\r\n");
}

TEST(ChooserListText, EndsBeforeTheFirstUnnamedDeviceAfterDeviceZero) {
  NameTable names;
  names[0] = "X";
  EXPECT_EQ(midi::ChooserListText(names), "0 = X\r");

  names[1] = "Y";
  names[3] = "hidden behind the gap";
  EXPECT_EQ(midi::ChooserListText(names), "0 = X\r1 = Y\r");

  NameTable none;  // device 0 is listed even without a name
  EXPECT_EQ(midi::ChooserListText(none), "0 = \r");
}

TEST(ChooserListText, EndsAtTheEndOfAFullTable) {
  NameTable names;
  Text expected;
  for (std::size_t i = 0; i < names.size(); ++i) {
    names[i] = runtime::Text("D" + std::to_string(i));
    expected += std::to_string(i) + " = D" + std::to_string(i) + "\r";
  }
  EXPECT_EQ(midi::ChooserListText(names), expected);
}

}  // namespace
