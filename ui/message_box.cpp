#include "ui/message_box.h"

#include <windows.h>

#include "runtime/heap.h"
#include "ui/layer_info.h"
#include "ui/list_heap.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"

namespace ui {

namespace {

// A window that ShowMessage disabled, with the thread that did it; the list holds the newest first.
struct DisabledWindow {
  DWORD threadId;
  HWND window;
  DisabledWindow* next;
};

// One list for the whole process. Each thread enables again only the windows it disabled itself;
// the lock keeps the list whole when two threads show a box at the same time.
DisabledWindow* disabledWindowList = nullptr;
SRWLOCK disabledWindowLock = SRWLOCK_INIT;

BOOL CALLBACK DisableThreadWindow(HWND window, LPARAM) {
  const DWORD thread = GetCurrentThreadId();
  if (GetWindowThreadProcessId(window, nullptr) != thread) return TRUE;
  if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  if (window == GetForegroundWindow()) return TRUE;
  auto* entry = static_cast<DisabledWindow*>(NewListEntry(sizeof(DisabledWindow)));
  if (entry == nullptr) return TRUE;  // a window that cannot be remembered is not disabled
  EnableWindow(window, FALSE);
  entry->threadId = thread;
  entry->window = window;
  AcquireSRWLockExclusive(&disabledWindowLock);
  entry->next = disabledWindowList;
  disabledWindowList = entry;
  ReleaseSRWLockExclusive(&disabledWindowLock);
  return TRUE;
}

void DisableThreadWindows() { EnumWindows(DisableThreadWindow, 0); }

// Takes this thread's entries out of the list, then enables their windows, newest first.
void EnableThreadWindows() {
  const DWORD thread = GetCurrentThreadId();
  DisabledWindow* own = nullptr;
  DisabledWindow** ownTail = &own;
  AcquireSRWLockExclusive(&disabledWindowLock);
  for (DisabledWindow** link = &disabledWindowList; *link != nullptr;) {
    DisabledWindow* entry = *link;
    if (entry->threadId != thread) {
      link = &entry->next;
      continue;
    }
    *link = entry->next;
    entry->next = nullptr;
    *ownTail = entry;
    ownTail = &entry->next;
  }
  ReleaseSRWLockExclusive(&disabledWindowLock);
  while (own != nullptr) {
    DisabledWindow* entry = own;
    own = entry->next;
    EnableWindow(entry->window, TRUE);  // a window destroyed meanwhile makes this fail harmlessly
    FreeListEntry(entry);
  }
}

// The foreground window owns the box when it belongs to this process.
HWND MessageOwner() {
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return nullptr;
  DWORD processId = 0;
  GetWindowThreadProcessId(foreground, &processId);
  return processId == GetCurrentProcessId() ? foreground : nullptr;
}

}  // namespace

// The box is given its texts as UTF-16: through MessageBoxA, the system would read the program's
// Windows-1252 bytes in its own code page, and "Ger\xE4t" would come out wrong wherever that is not 1252.
std::int32_t ShowMessage(std::string_view title, std::string_view message, std::uint32_t flags,
                         std::string_view systemText) {
  // No code page makes more characters than bytes: the bytes and two terminating zeros are room enough.
  auto* caption = static_cast<wchar_t*>(
      runtime::AllocateBytes((title.size() + message.size() + systemText.size() + 2) * sizeof(wchar_t)));
  wchar_t* end = caption + WidenInto(title, ProgramCodePage, caption);
  *end = L'\0';
  wchar_t* text = end + 1;
  end = text + WidenInto(message, ProgramCodePage, text);
  end += WidenLines(systemText, CP_ACP, end);  // a device name to a line, each read on its own
  *end = L'\0';
  DisableThreadWindows();
  const HHOOK guard = GuardSystemLoop();  // the box's loop dispatches what is posted to the windows
  const int result = MessageBoxW(MessageOwner(), text, caption, flags);
  UnhookWindowsHookEx(guard);
  EnableThreadWindows();
  runtime::FreeBytes(caption);
  return result;
}

std::int32_t DisabledWindowCount() {
  std::int32_t count = 0;
  AcquireSRWLockShared(&disabledWindowLock);
  for (const DisabledWindow* entry = disabledWindowList; entry != nullptr; entry = entry->next) ++count;
  ReleaseSRWLockShared(&disabledWindowLock);
  return count;
}

}  // namespace ui
