// A message box that is modal for the calling thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace ui {

// Shows a message box with the title and message (Windows-1252, read as such on every system) and
// uType = flags. systemText follows the message; it came from the system (device names) and is read
// in the system's ANSI code page, each line on its own. While the box is up, the calling thread's other visible windows
// are disabled; they are enabled again afterwards. Returns the button that closed the box (IDOK for
// flags 0), or 0 if the box could not be shown.
std::int32_t ShowMessage(std::string_view title, std::string_view message, std::uint32_t flags = 0,
                         std::string_view systemText = {});

}  // namespace ui
