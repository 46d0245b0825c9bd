// The panel's event loop: button presses and slider moves become Control Changes.
#pragma once

#include "app/state.h"

namespace app {

// One pass: waits for an event, sends a pressed button's message, then sends every slider that
// moved since its last message and shows its value. A notice from the sender thread shows in the
// header whether the device is connected. Returns true when the event was a close request.
bool RunLoopPass(AppState& state);

// Runs passes until the panel is closed, then ends the program. Does not return.
[[noreturn]] void RunEventLoop(AppState& state);

}  // namespace app
