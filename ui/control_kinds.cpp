#include "ui/control_kinds.h"

#include <commctrl.h>

namespace ui {

namespace {

bool IsVertical(HWND slider) { return (GetWindowLongA(slider, GWL_STYLE) & TBS_VERT) != 0; }

// A vertical trackbar has its minimum at the top; reading its position against the sum of the range
// ends turns it round.
std::int32_t RangeSum(HWND slider) {
  const LRESULT maximum = SendMessageA(slider, TBM_GETRANGEMAX, 0, 0);
  const LRESULT minimum = SendMessageA(slider, TBM_GETRANGEMIN, 0, 0);
  return static_cast<std::int32_t>(maximum + minimum);
}

}  // namespace

std::int32_t ButtonState(HWND window) { return static_cast<std::int32_t>(SendMessageA(window, BM_GETCHECK, 0, 0)); }

void SetButtonState(HWND window, std::int32_t state) { SendMessageA(window, BM_SETCHECK, static_cast<WPARAM>(state), 0); }

std::int32_t SliderState(HWND window) {
  if (!IsVertical(window)) return static_cast<std::int32_t>(SendMessageA(window, TBM_GETPOS, 0, 0));
  const std::int32_t sum = RangeSum(window);
  return sum - static_cast<std::int32_t>(SendMessageA(window, TBM_GETPOS, 0, 0));
}

void SetSliderState(HWND window, std::int32_t state) {
  const std::int32_t position = IsVertical(window) ? RangeSum(window) - state : state;
  SendMessageA(window, TBM_SETPOS, TRUE, position);
}

}  // namespace ui
