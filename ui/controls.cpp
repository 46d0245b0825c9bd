#include "ui/controls.h"

#include <commctrl.h>

#include <cstddef>
#include <cstring>

#include "runtime/heap.h"
#include "ui/accessible.h"
#include "ui/control_kinds.h"
#include "ui/control_registry.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"
#include "ui/window_tree.h"

namespace ui {

namespace {

struct ControlContext {
  HWND parent;
  HINSTANCE instance;
};

constexpr int TextLimit = 32000;  // characters read from a window, the terminating zero included

ControlContext context{};

HWND Result(ControlNumber requested, ControlNumber id, HWND window) {
  return requested == AutoControlNumber ? reinterpret_cast<HWND>(static_cast<INT_PTR>(id)) : window;
}

HMENU IdentifierArgument(ControlNumber id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// The layer's procedures take the controls' messages in UTF-16, which makes every control a Unicode
// window: a text that came from the system as UTF-16 reaches it unchanged, not converted back to the
// system's code page on its way. Texts set and read through the "A" functions are converted to and
// from the system's code page, as the window system does for any window.
LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlNumber id = WindowIdentifier(hwnd);
  const ControlRecord& record = FindControl(id);
  if (record.window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  const WNDPROC previous = record.previousProcedure;  // the release below may free the record
  if (message == WM_GETOBJECT && record.name[0] != '\0') {
    const LRESULT answer = AnswerAccessibleObject(hwnd, wParam, lParam);
    if (answer != 0) return answer;
  }
  if (message == WM_NCDESTROY) ReleaseControlSlot(id);
  return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FocusNotifyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    const WPARAM id = static_cast<WPARAM>(GetWindowLongPtrA(hwnd, GWLP_ID));
    PostMessageA(TopLevelAncestor(hwnd), ControlFocusMessage, id,
                 message == WM_SETFOCUS ? FocusGainedCode : FocusLostCode);
  }
  return CallWindowProcW(ControlWindowProc, hwnd, message, wParam, lParam);
}

// Records the new window under the id and puts ControlWindowProc in front of its class procedure.
// A window that was not made leaves the number free; an automatic record without one is dropped.
void AdoptControl(ControlNumber id, HWND window, const ControlKind& kind) {
  ControlRecord* record = RecordOf(id);
  if (record == nullptr) return;
  if (window == nullptr) {
    if (id < AutoControlNumber) ReleaseControlSlot(id);
    return;
  }
  record->window = window;
  record->kind = &kind;
  record->name[0] = '\0';
  record->previousProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWindowProc)));
}

// One copy serves the three constructors of text controls: left to itself, the compiler would copy
// it into each of them.
[[gnu::noinline]] HWND CreateTextControl(const ControlLayout& layout, ControlNumber number, int x, int y,
                                         int width, int height, std::string_view text, std::uint32_t flags) {
  bool claimed;
  const ControlNumber id = ClaimControlSlot(number, claimed);
  if (!claimed) return nullptr;
  const bool flagged = (flags & ClientEdgeFlag) != 0;
  const bool edge = layout.clientEdge == ClientEdge::WhenFlagged ? flagged
                    : layout.clientEdge == ClientEdge::UnlessFlagged ? !flagged
                                                                      : false;
  const runtime::Text caption(text);
  const RECT r = PlaceControl(id, context.parent, x, y, width, height);
  const HWND window = CreateWindowExA(edge ? WS_EX_CLIENTEDGE : 0, layout.className, caption.c_str(),
                                      layout.baseStyle | flags, r.left, r.top, r.right, r.bottom, context.parent,
                                      IdentifierArgument(id), context.instance, nullptr);
  AdoptControl(id, window, *layout.kind);
  if (window != nullptr) {
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(context.parent)), TRUE);
    if (layout.focusNotifications) SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FocusNotifyProc));
  }
  return Result(number, id, window);
}

std::int32_t ClampToSliderRange(std::int32_t value) {
  return value < 0 ? 0 : value > LargestSliderValue ? LargestSliderValue : value;
}

}  // namespace

void InitControls(HINSTANCE instance) {
  InitControlRegistry();
  context = ControlContext{};
  context.instance = instance;
  InitCommonControls();
  StartAccessibleObjects();
}

void EndControls() { EndAccessibleObjects(); }

HWND BeginControls(HWND parent) {
  context.parent = parent;
  return parent;
}

HWND CreateLabel(ControlNumber number, int x, int y, int width, int height, std::string_view text,
                 std::uint32_t flags) {
  return CreateTextControl(LabelLayout, number, x, y, width, height, text, flags);
}

HWND CreatePushButton(ControlNumber number, int x, int y, int width, int height, std::string_view text,
                      std::uint32_t flags) {
  return CreateTextControl(ButtonLayout, number, x, y, width, height, text, flags);
}

HWND CreateTextField(ControlNumber number, int x, int y, int width, int height, std::string_view text,
                     std::uint32_t flags) {
  return CreateTextControl(TextFieldLayout, number, x, y, width, height, text, flags);
}

HWND CreateSlider(ControlNumber number, int x, int y, int width, int height, std::int32_t minimum,
                  std::int32_t maximum, std::uint32_t flags) {
  bool claimed;
  const ControlNumber id = ClaimControlSlot(number, claimed);
  if (!claimed) return nullptr;
  const RECT r = PlaceControl(id, context.parent, x, y, width, height);
  const HWND window = CreateWindowExA(0, TRACKBAR_CLASSA, nullptr, SliderBaseStyle | flags, r.left, r.top, r.right,
                                      r.bottom, context.parent, IdentifierArgument(id), context.instance, nullptr);
  if (window == nullptr) {
    AdoptControl(id, nullptr, SliderKind);
    return nullptr;
  }
  const auto low = static_cast<WORD>(ClampToSliderRange(minimum));
  const auto high = static_cast<WORD>(ClampToSliderRange(maximum));
  SendMessageA(window, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
  SetSliderState(window, 0);  // a vertical slider starts with its thumb at the bottom
  AdoptControl(id, window, SliderKind);
  return Result(number, id, window);
}

std::int32_t GetControlState(ControlNumber number) {
  const ControlRecord& record = FindControl(number);
  if (record.window == nullptr || record.kind->getState == nullptr) return 0;
  return record.kind->getState(record.window);
}

runtime::Text GetControlText(ControlNumber number) {
  const ControlRecord& record = FindControl(number);
  if (record.window == nullptr) return {};
  if (record.kind->getText != nullptr) return record.kind->getText(record.window);
  runtime::Text text(TextLimit, '\0');
  const int length = GetWindowTextA(record.window, text.data(), TextLimit);
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

bool SetControlText(ControlNumber number, std::string_view text) {
  const ControlRecord& record = FindControl(number);
  if (record.window == nullptr) return false;
  if (record.kind->setText != nullptr) return record.kind->setText(record.window, text);
  const runtime::Text value(text);
  return SetWindowTextA(record.window, value.c_str()) != FALSE;
}

void SetControlTextKeepingTail(ControlNumber number, std::string_view head, std::string_view tail) {
  const HWND window = FindControl(number).window;
  if (window == nullptr) return;
  runtime::Text text(head);  // the head, then "..." and the tail
  text += "...";
  text += tail;
  char* const bytes = text.data();
  const int headLength = static_cast<int>(head.size());
  const int length = static_cast<int>(text.size());
  RECT client;
  GetClientRect(window, &client);
  const HDC dc = GetDC(window);
  const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
  SIZE dots, end, whole;
  GetTextExtentPoint32A(dc, bytes + headLength, 3, &dots);
  GetTextExtentPoint32A(dc, bytes + headLength, length - headLength, &end);
  int fit = 0;  // the bytes of the head that fit beside "..." and the tail
  GetTextExtentExPointA(dc, bytes, headLength, client.right - end.cx, &fit, nullptr, &whole);
  const bool fits = whole.cx + end.cx - dots.cx <= client.right;  // the head and the tail alone
  if (fits) fit = headLength;
  SelectObject(dc, font);
  ReleaseDC(window, dc);
  char* cut = bytes;  // after the last whole character that fits
  for (char* next; (next = CharNextA(cut)) != cut && next - bytes <= fit;) cut = next;
  const int from = headLength + (fits ? 3 : 0);
  std::memmove(cut, bytes + from, static_cast<std::size_t>(length - from));
  text.resize(static_cast<std::size_t>(cut - bytes + length - from));
  SetWindowTextA(window, bytes);
}

void SetControlSystemText(ControlNumber number, std::string_view text) {
  const HWND window = FindControl(number).window;
  if (window == nullptr) return;
  // No code page makes more characters than bytes: the bytes and a terminating zero are room enough.
  auto* wide = static_cast<wchar_t*>(runtime::AllocateBytes((text.size() + 1) * sizeof(wchar_t)));
  wide[WidenLines(text, CP_ACP, wide)] = L'\0';
  SetWindowTextW(window, wide);
  runtime::FreeBytes(wide);
}

void SetControlName(ControlNumber number, std::string_view name) {
  ControlRecord* record = RecordOf(number);
  if (record == nullptr || record->window == nullptr) return;
  const std::size_t length = name.size() < ControlNameRoom ? name.size() : ControlNameRoom - 1;
  name.copy(record->name.data(), length);
  record->name[length] = '\0';
}

void FocusControl(ControlNumber number) { SetFocus(FindControl(number).window); }

HWND ControlHandle(ControlNumber number) { return FindControl(number).window; }

}  // namespace ui
