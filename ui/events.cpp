// The event stream of the window layer (ui/window.h): fetching one message at a time, the window
// procedure of every numbered window, and the guards against messages that only the system may send.
#include <cstring>
#include <string_view>

#include "ui/control_kinds.h"
#include "ui/control_registry.h"
#include "ui/window_tree.h"
#include "ui/window.h"
#include "ui/window_layer.h"

namespace ui {

namespace {

WindowLayer& layer = windowLayer;

// How the window class names of rich edit controls ("RichEdit20A" and the like) begin.
constexpr std::string_view RichEditPrefix = "Rich";

bool KeyDown(int key) { return GetKeyState(key) < 0; }

// A rich edit control takes a plain Tab as an ordinary key, so it gets no accelerator table.
bool RichEditWantsTab() {
  if (!KeyDown(VK_TAB) || KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT) || KeyDown(VK_MENU)) return false;
  char prefix[RichEditPrefix.size() + 1] = {};
  const HWND focus = GetFocus();
  return focus != nullptr && GetClassNameA(focus, prefix, sizeof prefix) > 0 &&
         std::strncmp(prefix, RichEditPrefix.data(), RichEditPrefix.size()) == 0;
}

HACCEL ActiveAccelerators(HWND active) {
  const WindowEntry* entry = FindWindowEntry(active);
  if (entry == nullptr || entry->acceleratorCount == 0 || RichEditWantsTab()) return nullptr;
  return entry->acceleratorTable;
}

// The active window's Tab accelerators, tried on the messages TranslateAcceleratorA acts on: key and
// character messages. Every other message skips the lookup, which asks the window system for the
// active window and the key state and would cost each mouse move or slider event two round trips.
bool TranslatedByAccelerators(MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
      break;
    default:
      return false;
  }
  const HWND active = GetActiveWindow();
  const HACCEL accelerators = ActiveAccelerators(active);
  return accelerators != nullptr && TranslateAcceleratorA(active, accelerators, &message) != 0;
}

// Messages that the window system and the controls send, within the window's own thread, and never
// post: the DPI messages, whose pointers mean nothing here unless the system sent them, and a
// control's notification to a numbered window, which would press a button. One posted, or sent from
// another thread or process, comes from another program: a fetch does not dispatch a posted one, and
// the window procedure takes a sent one only from this thread.
bool SentOnly(const MSG& message) {
  return message.message == WM_DPICHANGED || message.message == GetDpiScaledSizeMessage ||
         (message.message == WM_COMMAND && message.lParam != 0 && FindWindowEntry(message.hwnd) != nullptr);
}

bool SentFromThisThread() { return InSendMessageEx(nullptr) == ISMEX_NOSEND; }

// The system's own loops (moving or sizing a window by its frame, its window menu, a message box)
// fetch and dispatch the thread's messages themselves. While one runs, this takes the posted ones
// that only the system should send out of their way: dispatched, they would be WM_NULL.
LRESULT CALLBACK DropPostedSentOnly(int code, WPARAM wParam, LPARAM lParam) {
  MSG& message = *reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && SentOnly(message)) message.message = WM_NULL;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Whether the window is a live control of that kind, of the layer's.
bool IsLiveControl(HWND window, const ControlKind& kind) {
  const ControlRecord* record = LiveRecord(window);
  return record != nullptr && record->kind == &kind;
}

EventKind FetchEvent(bool wait) {
  if (layer.pendingEvent == NoEvent) layer.eventControlNumber = NoControlNumber;  // an event carries its own or none
  if (layer.deferredEvent.kind != NoEvent) {
    const EventKind kind = layer.deferredEvent.kind;
    layer.eventWindow = layer.deferredEvent.window;
    layer.deferredEvent = DeferredSlot{};
    layer.pendingEvent = NoEvent;
    return kind;
  }
  MSG& message = layer.lastMessage;
  if (wait) {
    GetMessageA(&message, nullptr, 0, 0);
  } else if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    return NoEvent;
  }
  if (!SentOnly(message) && !TranslatedByAccelerators(message)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  const EventKind kind = layer.pendingEvent != NoEvent ? layer.pendingEvent : static_cast<EventKind>(message.message);
  layer.pendingEvent = NoEvent;
  return kind;
}

void RecordControlEvent(ControlNumber number) {
  layer.pendingEvent = ControlEvent;
  layer.eventControlNumber = number;
}

void RecordCommand(WPARAM wParam, LPARAM lParam) {
  if (lParam != 0) {  // a control's notification: of a button, its click alone
    const HWND control = reinterpret_cast<HWND>(lParam);
    if (IsLiveControl(control, HIWORD(wParam) == BN_CLICKED ? ButtonKind : TextFieldKind) && SentFromThisThread()) {
      RecordControlEvent(WindowIdentifier(control));
    }
    return;
  }
  if (HIWORD(wParam) == 0) {  // a menu
    layer.pendingEvent = CommandEvent;
    layer.eventControlNumber = static_cast<ControlNumber>(wParam);
    return;
  }
  switch (LOWORD(wParam)) {  // an accelerator
    case NavigateNextCommand:
      FocusNextTabStop();
      break;
    case NavigatePreviousCommand:
      FocusPreviousTabStop();
      break;
    default:
      layer.pendingEvent = CommandEvent;
      layer.eventControlNumber = LOWORD(wParam);
      break;
  }
}

}  // namespace

HHOOK GuardSystemLoop() {
  return SetWindowsHookExA(WH_GETMESSAGE, DropPostedSentOnly, nullptr, GetCurrentThreadId());
}

EventKind WaitEvent() { return FetchEvent(true); }
EventKind PollEvent() { return FetchEvent(false); }

WPARAM TakeQueuedReturnOrEscape(DWORD since) {
  MSG next;
  if (!PeekMessageA(&next, nullptr, WM_KEYDOWN, WM_CHAR, PM_NOREMOVE)) return 0;
  WPARAM key = 0;
  if (next.message == WM_KEYDOWN && (next.wParam == VK_RETURN || next.wParam == VK_ESCAPE)) key = next.wParam;
  if (next.message == WM_CHAR && next.wParam == '\r') key = VK_RETURN;
  if (next.message == WM_CHAR && next.wParam == VK_ESCAPE) key = VK_ESCAPE;  // ESC has the same code
  if (key == 0) return 0;
  PeekMessageA(&next, nullptr, next.message, next.message, PM_REMOVE);
  const bool repeat = (HIWORD(next.lParam) & KF_REPEAT) != 0;  // a key held down: not a press
  const bool early = static_cast<LONG>(next.time - since) < 0;
  return repeat || early ? 0 : key;
}

bool PostNotice(HWND window) { return PostMessageA(window, NoticeEvent, 0, 0) != FALSE; }

void DropQueuedKeyMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

LRESULT CALLBACK NumberedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  layer.eventWindow = window;
  switch (message) {
    case ControlFocusMessage: {  // posted by a text field of the layer, and by nothing else
      const ControlRecord& field = FindControl(static_cast<ControlNumber>(wParam));
      if (field.window != nullptr && field.kind == &TextFieldKind) {
        RecordControlEvent(static_cast<ControlNumber>(wParam));
      }
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const HWND slider = reinterpret_cast<HWND>(lParam);
      if (slider == nullptr) break;  // the window's own scroll bar, not a control
      if (!IsLiveControl(slider, SliderKind)) return 0;
      RecordControlEvent(WindowIdentifier(slider));
      layer.eventWindow = TopLevelAncestor(slider);
      return 0;
    }
    case WM_COMMAND:
      RecordCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      return 0;
    case WM_CLOSE:
      layer.pendingEvent = CloseEvent;  // the application decides whether the window goes
      return 0;
    case WM_MOVE:
      layer.pendingEvent = MoveEvent;
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) layer.deferredEvent = DeferredSlot{SizeEvent, window};
      break;
    case WM_DPICHANGED:  // moved to a screen of another scale: the rectangle is the system's suggestion
      if (SentFromThisThread()) RescaleWindow(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case GetDpiScaledSizeMessage: {  // about to move there: the size it gets, not the present one scaled
      SIZE outer;
      if (!SentFromThisThread() || !ScaledOuterSize(window, static_cast<UINT>(wParam), outer)) return FALSE;
      *reinterpret_cast<SIZE*>(lParam) = outer;
      return TRUE;
    }
    case WM_NCCREATE:
      if (layer.enableNonClientDpiScaling != nullptr) layer.enableNonClientDpiScaling(window);
      break;
    case WM_SYSCOMMAND: {  // its default processing runs the system's loops
      const HHOOK guard = GuardSystemLoop();
      const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      UnhookWindowsHookEx(guard);
      return result;
    }
    case WM_DEVICECHANGE:  // sent from inside the fetch: it comes out as an event of its own
      PostMessageA(window, DeviceChangeEvent, 0, 0);
      break;
    case WM_ACTIVATE:
      // Not passed on: activation leaves the keyboard focus where the application put it.
      if (LOWORD(wParam) != WA_INACTIVE) layer.deferredEvent = DeferredSlot{ActivateEvent, window};
      return 1;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace ui
