#include "midi/fatal_error.h"

#include <cstdlib>

namespace midi {

namespace {

// Without an installed handler nothing could show the text, and going on without the device is no
// choice: the process ends.
[[noreturn]] void EndAtOnce(std::string_view, std::string_view) { std::abort(); }

FatalErrorHandler installed = EndAtOnce;

}  // namespace

void SetFatalErrorHandler(FatalErrorHandler handler) { installed = handler != nullptr ? handler : EndAtOnce; }

void RaiseFatalError(std::string_view text, std::string_view systemText) { installed(text, systemText); }

}  // namespace midi
