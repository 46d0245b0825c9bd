// Numbers as text: the decimal form and the reading of a typed answer.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.h"

namespace runtime {

// Signed decimal form: no leading zeros or spaces, no plus sign ("-2147483648" .. "2147483647").
Text DecimalText(std::int32_t value);

// Reads a number the way the device chooser reads its answer: leading spaces (0x20 only) skipped,
// one optional sign ("-" negates, "+" is skipped), then the digits up to the first other character.
// No digits gives 0; the value is accumulated in 32 bits and wraps on overflow.
std::int32_t ReadNumber(std::string_view text);

}  // namespace runtime
