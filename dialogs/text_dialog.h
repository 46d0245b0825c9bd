// A small modal window that asks for one line of text.
#pragma once

#include <string_view>

#include "runtime/text.h"

namespace dialogs {

// Shows window 999 with the message, a text field holding defaultText (all of it selected) and an
// "OK" button. The message lists what the system reported (device names) and is read in the
// system's code page, each line on its own. OK or Return give the field's text; Escape or closing the window give the empty text.
runtime::Text AskText(std::string_view title, std::string_view message, std::string_view defaultText);

}  // namespace dialogs
