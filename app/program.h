// Start-up, in the one order the program knows, and then the panel's loop until it is closed.
#pragma once

#include <windows.h>

namespace app {

// Storage, window layer, the fatal-error road, device names, the user's choice, the device, the
// panel, the loop.
// Never returns: the loop and every fatal error end in ExitProgram, with exit code 0.
[[noreturn]] void RunProgram(HINSTANCE instance);

}  // namespace app
