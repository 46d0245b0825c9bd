// The panel: the window, the header naming the device, twelve columns and ten buttons.
#pragma once

#include "app/state.h"

namespace app {

// Opens the panel window and creates every control, in the order the loop and Tab rely on.
void BuildPanel(const AppState& state);

}  // namespace app
