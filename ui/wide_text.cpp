#include "ui/wide_text.h"

namespace ui {

namespace {

// The first n characters of the text, all of it when it is shorter: substr without its bounds check,
// which, made for size, the compiler keeps, and with it the runtime's exception machinery.
std::string_view Head(std::string_view text, std::size_t n) { return {text.data(), n < text.size() ? n : text.size()}; }

}  // namespace

int WidenInto(std::string_view text, UINT codePage, wchar_t* out) {
  text = Head(text, text.find('\0'));
  if (text.empty()) return 0;
  const int length = static_cast<int>(text.size());
  return MultiByteToWideChar(codePage, 0, text.data(), length, out, length);
}

int WidenLines(std::string_view text, UINT codePage, wchar_t* out) {
  text = Head(text, text.find('\0'));
  int written = 0;
  for (;;) {
    const std::size_t lineEnd = text.find_first_of("\r\n");
    written += WidenInto(Head(text, lineEnd), codePage, out + written);
    if (lineEnd == std::string_view::npos) return written;
    out[written++] = static_cast<unsigned char>(text[lineEnd]);
    text.remove_prefix(lineEnd + 1);
  }
}

}  // namespace ui
