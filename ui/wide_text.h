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

// The same for text that came from the system (device names, one to a line), with each line
// converted on its own: a line that is malformed in the code page, such as a name ending in the
// first byte of a double-byte character, cannot take the line break after it, or the next line,
// with it. CR and LF are never part of a character in any of the system's code pages.
int WidenLines(std::string_view text, UINT codePage, wchar_t* out);

}  // namespace ui
