// Texts on their way to the wide-character calls of the window system.
#pragma once

#include <windows.h>

#include <string_view>

namespace ui {

// The program's own texts are Windows-1252, whatever code page the system uses.
constexpr UINT ProgramCodePage = 1252;

// Converts text from the code page into out, which has room for text.size() characters (no code
// page makes more characters than bytes), and gives the number written, up to the first zero byte.
// Writes no terminating zero.
int WidenInto(std::string_view text, UINT codePage, wchar_t* out);

}  // namespace ui
