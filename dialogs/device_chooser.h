// Lets the user pick the MIDI output device by number.
#pragma once

#include <cstdint>

#include <string_view>

namespace dialogs {

// Shows the list of devices (the MIDI layer's text, kept by the caller), asks for a number with "2"
// as the default answer and returns the number read from the answer. The answer is not checked
// against the list.
std::int32_t ChooseOutputDevice(std::string_view listText);

}  // namespace dialogs
