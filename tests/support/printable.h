// Texts as the tests print them: printable ASCII as it is, every other byte, the backslash and the
// double quote as \xNN, so that a test can compare them byte for byte and a reader can see them.
#pragma once

#include <cstdio>
#include <string_view>

inline void PrintEscaped(std::FILE* out, std::string_view text) {
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
      std::fputc(byte, out);
    } else {
      std::fprintf(out, "\\x%02X", byte);
    }
  }
}
