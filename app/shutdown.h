// The program's one way out, and the road every fatal error takes to it.
#pragma once

#include <string_view>

namespace app {

// Closes every numbered window, lets go of COM, stops the MIDI sender, destroys both heaps and ends
// the process with exit code 0.
[[noreturn]] void ExitProgram();

// Shows the text, followed by the system's text (device names), in a box titled "Error" with a
// single OK button, then calls ExitProgram. Start-up installs it as the port layer's fatal-error
// handler.
[[noreturn]] void FatalError(std::string_view text, std::string_view systemText);

}  // namespace app
