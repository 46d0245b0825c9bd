// Shared by the fuzz targets: a mismatch with the reference prints what differs and traps, which
// libFuzzer reports as a crash and saves the input for.
#pragma once

#include <cstdio>
#include <string_view>

#include "tests/support/printable.h"

namespace fuzz {

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    __builtin_trap();
  }
}

// Prints the label and the text in quotes, escaped (tests/support/printable.h).
inline void PrintLabelled(const char* label, std::string_view text) {
  std::fprintf(stderr, "  %s \"", label);
  PrintEscaped(stderr, text);
  std::fprintf(stderr, "\"\n");
}

inline void CheckSame(std::string_view actual, std::string_view expected, const char* what) {
  if (actual == expected) return;
  PrintLabelled("got     ", actual);
  PrintLabelled("expected", expected);
  Check(false, what);
}

}  // namespace fuzz
