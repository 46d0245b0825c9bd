#include "ui/wide_text.h"

namespace ui {

int WidenInto(std::string_view text, UINT codePage, wchar_t* out) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (text.empty()) return 0;
  const int length = static_cast<int>(text.size());
  return MultiByteToWideChar(codePage, 0, text.data(), length, out, length);
}

}  // namespace ui
