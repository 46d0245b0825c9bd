// Text: a value type of Windows-1252 bytes, kept in the private heap. Assigning copies.
#pragma once

#include <string>
#include <string_view>

#include "runtime/heap.h"

namespace runtime {

using Text = std::basic_string<char, std::char_traits<char>, HeapAllocator<char>>;

inline Text MakeText(std::string_view view) { return Text(view.data(), view.size()); }

}  // namespace runtime
