// Fuzzes DecimalText and ReadNumber against plain reference readings of what they promise.
// The whole input is the typed answer; its first four bytes (zero-padded) also give the value
// whose decimal form is checked.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/number.h"
#include "tests/support/fuzz/check.h"

namespace {

using fuzz::CheckSame;
using fuzz::PrintLabelled;

// Reads the answer with 64-bit arithmetic, keeping the low 32 bits after every digit.
std::int32_t ReferenceRead(std::string_view text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return 0;
  std::int64_t sign = 1;
  if (text[i] == '-') {
    sign = -1;
    ++i;
  } else if (text[i] == '+') {
    ++i;
  }
  std::int64_t value = 0;
  while (i < text.size() && std::memchr("0123456789", text[i], 10) != nullptr) {
    value = (value * 10 + (text[i] - '0')) & 0xFFFFFFFF;
    ++i;
  }
  value = (sign * value) & 0xFFFFFFFF;
  if (value >= 0x80000000) value -= 0x100000000;
  return static_cast<std::int32_t>(value);
}

std::int32_t CheckRead(std::string_view text, std::int32_t expected, const char* what) {
  const std::int32_t read = runtime::ReadNumber(text);
  if (read != expected) {
    PrintLabelled("text    ", text);
    std::fprintf(stderr, "  got %d, expected %d\n", static_cast<int>(read), static_cast<int>(expected));
    fuzz::Check(false, what);
  }
  return read;
}

std::string ReferenceDecimal(std::int32_t value) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
  return std::string(buffer, static_cast<std::size_t>(n));
}

void CheckDecimal(std::int32_t value) {
  const runtime::Text text = runtime::DecimalText(value);
  const std::string expected = ReferenceDecimal(value);
  if (text != expected) std::fprintf(stderr, "  value    %d\n", static_cast<int>(value));
  CheckSame(text, expected, "DecimalText differs from the reference");
  CheckRead(text, value, "ReadNumber does not read back DecimalText");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int32_t read = CheckRead(text, ReferenceRead(text), "ReadNumber differs from the reference");

  // The value just read must survive the way back through its decimal form, whatever it is.
  CheckDecimal(read);

  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4 && i < size; ++i) bits |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  CheckDecimal(static_cast<std::int32_t>(bits));
  return 0;
}
