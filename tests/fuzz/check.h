// Shared by the fuzz targets: a mismatch with the reference prints what differs and traps, which
// libFuzzer reports as a crash and saves the input for.
#pragma once

#include <cstdio>
#include <string_view>

namespace fuzz {

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    __builtin_trap();
  }
}

// Bytes outside printable ASCII are written as \xNN.
inline void PrintEscaped(const char* label, std::string_view text) {
  std::fprintf(stderr, "  %s \"", label);
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') std::fputc(c, stderr);
    else std::fprintf(stderr, "\\x%02X", c);
  }
  std::fprintf(stderr, "\"\n");
}

inline void CheckSame(std::string_view actual, std::string_view expected, const char* what) {
  if (actual == expected) return;
  PrintEscaped("got     ", actual);
  PrintEscaped("expected", expected);
  Check(false, what);
}

}  // namespace fuzz
