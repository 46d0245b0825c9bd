// Read-only looks into the layer's tables, for the tests and for diagnosis.
#pragma once

#include <cstdint>

namespace ui {

std::int32_t WindowTableCapacity();     // numbers 0 to capacity are looked up in the window table
std::int32_t AutomaticWindowCount();    // windows opened with AutoWindowNumber that are still open
std::int32_t ControlRegistryCapacity();
std::int32_t AutomaticControlCount();   // live controls made with AutoControlNumber
std::int32_t DisabledWindowCount();     // windows that a ShowMessage in progress has disabled

}  // namespace ui
