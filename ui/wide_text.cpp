#include "ui/wide_text.h"

namespace ui {

int WidenInto(std::string_view text, UINT codePage, wchar_t* out) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (text.empty()) return 0;
  const int length = static_cast<int>(text.size());
  return MultiByteToWideChar(codePage, 0, text.data(), length, out, length);
}

int WidenLines(std::string_view text, UINT codePage, wchar_t* out) {
  text = text.substr(0, text.find('\0'));
  int written = 0;
  for (;;) {
    const std::size_t lineEnd = text.find_first_of("\r\n");
    written += WidenInto(text.substr(0, lineEnd), codePage, out + written);
    if (lineEnd == std::string_view::npos) return written;
    out[written++] = static_cast<unsigned char>(text[lineEnd]);
    text.remove_prefix(lineEnd + 1);
  }
}

}  // namespace ui
