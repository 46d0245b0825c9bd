// Texts as the process tests compare them: printable ASCII as it is, every other byte as \xNN.
#pragma once

#include <cstdio>
#include <string_view>

inline void PrintEscaped(std::string_view text) {
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      std::putchar(byte);
    } else {
      std::printf("\\x%02X", byte);
    }
  }
  std::putchar('\n');
}
