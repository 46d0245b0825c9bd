// The road a fatal error of the port layer takes. A device that cannot be found, opened, started
// or connected leaves the program nothing to do: the layer hands the German text to the fatal-error
// handler, which the program's start-up installs (it shows the text in an "Error" box and ends the
// program). Tests install their own.
#pragma once

#include <string_view>

namespace midi {

// `text` is the program's own, in Windows-1252. `systemText` follows it on the screen and holds what
// the system reported (device names), in the system's ANSI code page.
using FatalErrorHandler = void (*)(std::string_view text, std::string_view systemText);

// Installs the handler; null puts back the one in place before any was installed, which ends the
// process at once.
void SetFatalErrorHandler(FatalErrorHandler handler);

// Hands the text to the handler. The program's handler does not return; when a test's does, the
// caller returns at once and leaves the ports as they were.
void RaiseFatalError(std::string_view text, std::string_view systemText = {});

}  // namespace midi
