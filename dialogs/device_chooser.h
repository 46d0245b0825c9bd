// Lets the user pick the MIDI output device by number.
#pragma once

#include <cstdint>

#include "runtime/names.h"
#include "runtime/text.h"

namespace dialogs {

// Lists the devices into listText (kept by the caller), asks for a number with "2" as the default
// answer and returns the number read from the answer. The answer is not checked against the list.
std::int32_t ChooseOutputDevice(const runtime::NameTable& outputNames, runtime::Text& listText);

}  // namespace dialogs
