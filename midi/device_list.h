// What the output and input sides share: filling a name table from the devices' capability records
// and the text that reports a device that would not open.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "midi/fatal_error.h"
#include "midi/names.h"

namespace midi {

// Counts the devices of one side and stores each one's product name (the 32-byte field of its
// capability record) in its entry of the table; devices past the table's last index get no entry.
// With no device at all, `noDeviceText` is a fatal error and nothing is asked further.
template <class Caps>
void ReadDeviceNames(NameTable& names, UINT(WINAPI* countDevices)(),
                     MMRESULT(WINAPI* getCaps)(UINT_PTR device, Caps* caps, UINT size),
                     std::string_view noDeviceText) {
  const UINT count = countDevices();
  if (count == 0) {
    RaiseFatalError(noDeviceText);
    return;
  }
  for (UINT device = 0; device < count; ++device) {
    // Zeroed first: a device whose query fails gets an empty name rather than stale bytes.
    Caps caps;
    std::memset(&caps, 0, sizeof caps);
    getCaps(device, &caps, sizeof caps);
    if (device < names.size()) names[device] = CopyDeviceName(caps.szPname);
  }
}

// Raises the fatal error of a device that would not open: opening + decimal index + "] nicht möglich",
// followed by the list of named devices 0 to 15, whose names are the system's.
void RaiseOpenFailure(std::string_view opening, std::int32_t index, const NameTable& names);

}  // namespace midi
