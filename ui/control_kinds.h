// The kinds of control: their window classes and styles, and the operations the generic control
// operations dispatch through. An empty slot means the default.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "runtime/text.h"

namespace ui {

struct ControlKind {
  void (*destroy)(HWND window);                      // default: DestroyWindow
  std::int32_t (*getState)(HWND window);             // default: 0
  void (*setState)(HWND window, std::int32_t state);  // no default: nothing calls it for an empty slot
  runtime::Text (*getText)(HWND window);             // default: the window text, at most 31,999 characters
  bool (*setText)(HWND window, std::string_view text);  // default: SetWindowTextA
};

std::int32_t ButtonState(HWND window);
void SetButtonState(HWND window, std::int32_t state);
// A vertical slider reads mirrored, so its state grows upwards.
std::int32_t SliderState(HWND window);
void SetSliderState(HWND window, std::int32_t state);

inline constexpr ControlKind LabelKind{};
inline constexpr ControlKind ButtonKind{nullptr, ButtonState, SetButtonState, nullptr, nullptr};
inline constexpr ControlKind TextFieldKind{};
inline constexpr ControlKind SliderKind{nullptr, SliderState, SetSliderState, nullptr, nullptr};

// Labels get the sunken client edge only when the flags ask for it; text fields have it unless they do.
enum class ClientEdge { WhenFlagged, UnlessFlagged, Never };

struct ControlLayout {
  const char* className;
  DWORD baseStyle;
  ClientEdge clientEdge;
  bool focusNotifications;  // text fields tell their top-level window when they gain or lose the focus
  const ControlKind* kind;
};

inline constexpr ControlLayout LabelLayout{"STATIC", WS_CHILD | WS_VISIBLE | WS_GROUP, ClientEdge::WhenFlagged,
                                           false, &LabelKind};
inline constexpr ControlLayout ButtonLayout{"BUTTON", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP,
                                            ClientEdge::Never, false, &ButtonKind};
inline constexpr ControlLayout TextFieldLayout{"EDIT", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL,
                                               ClientEdge::UnlessFlagged, true, &TextFieldKind};
inline constexpr DWORD SliderBaseStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

}  // namespace ui
