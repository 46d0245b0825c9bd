#include "runtime/number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using runtime::DecimalText;
using runtime::ReadNumber;

TEST(DecimalText, WritesSignedFormWithoutPaddingOrPlus) {
  EXPECT_EQ(DecimalText(0), "0");
  EXPECT_EQ(DecimalText(7), "7");
  EXPECT_EQ(DecimalText(127), "127");
  EXPECT_EQ(DecimalText(-1), "-1");
  EXPECT_EQ(DecimalText(1000000), "1000000");
  EXPECT_EQ(DecimalText(std::numeric_limits<std::int32_t>::max()), "2147483647");
  EXPECT_EQ(DecimalText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
}

TEST(ReadNumber, TakesDigitsAfterSpacesAndOneSign) {
  EXPECT_EQ(ReadNumber("2"), 2);
  EXPECT_EQ(ReadNumber(" 1"), 1);
  EXPECT_EQ(ReadNumber("   42"), 42);
  EXPECT_EQ(ReadNumber("-1"), -1);
  EXPECT_EQ(ReadNumber("+7"), 7);
  EXPECT_EQ(ReadNumber("007"), 7);
}

TEST(ReadNumber, StopsAtTheFirstOtherCharacter) {
  EXPECT_EQ(ReadNumber("1 = X"), 1);  // a copied line of the device list
  EXPECT_EQ(ReadNumber("2\r\n"), 2);  // a Return that reached the multiline field
  EXPECT_EQ(ReadNumber("12ab34"), 12);
  EXPECT_EQ(ReadNumber("3 4"), 3);
}

TEST(ReadNumber, GivesZeroWithoutDigits) {
  EXPECT_EQ(ReadNumber(""), 0);
  EXPECT_EQ(ReadNumber("abc"), 0);
  EXPECT_EQ(ReadNumber("-"), 0);
  EXPECT_EQ(ReadNumber("+-1"), 0);   // only one sign
  EXPECT_EQ(ReadNumber("\t1"), 0);   // only the space is skipped
  EXPECT_EQ(ReadNumber("- 1"), 0);   // no spaces after the sign
}

TEST(ReadNumber, WrapsIn32Bits) {
  EXPECT_EQ(ReadNumber("2147483647"), 2147483647);
  EXPECT_EQ(ReadNumber("2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ReadNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ReadNumber("4294967295"), -1);
  EXPECT_EQ(ReadNumber("4294967296"), 0);
  EXPECT_EQ(ReadNumber("4294967298"), 2);
}

TEST(ReadNumber, ReadsBackEveryDecimalText) {
  for (std::int32_t v : {0, 1, -1, 99, -128, 65536, std::numeric_limits<std::int32_t>::max(),
                         std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_EQ(ReadNumber(DecimalText(v)), v);
  }
}

}  // namespace
