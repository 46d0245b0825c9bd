// What the output and input sides share: filling a name table from capability records and the
// text that reports a device that would not open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "runtime/names.h"

namespace midi {

// Stores the product name of a capability record (the 32-byte field) as entry `device` of the
// table; devices past the table's last index get no entry.
void StoreDeviceName(runtime::NameTable& names, UINT device, const char* productName);

// opening + decimal index + "] nicht möglich", then the list of named devices 0 to 15.
runtime::Text OpenFailureText(std::string_view opening, std::int32_t index, const runtime::NameTable& names);

}  // namespace midi
