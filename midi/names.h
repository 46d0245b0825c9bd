// WinMM's device names as the program holds them, and the texts that list them. Plain bytes, built
// without windows.h, so that the fuzzers reach them natively.
#pragma once

#include <array>
#include <cstddef>

#include "runtime/text.h"

namespace midi {

// One entry per device index 0 to 16; devices above 16 have no entry.
constexpr std::size_t NameTableSize = 17;
using NameTable = std::array<runtime::Text, NameTableSize>;

// The product name in a WinMM capability record: 32 bytes, NUL-terminated unless it fills them all.
constexpr std::size_t DeviceNameLength = 32;
runtime::Text CopyDeviceName(const char* field);

// The device list of an open failure: CR LF, then "i = name" CR LF for every named device 0 to 15,
// never the table's last entry.
constexpr std::size_t FailureListLength = 16;
runtime::Text FailureListText(const NameTable& names);

// The device chooser's list: "i = name" and a single CR for device 0 and each device after it up to
// the first unnamed one, or up to the end of the table when every entry is named.
runtime::Text ChooserListText(const NameTable& names);

}  // namespace midi
