#include "ui/message_box.h"

#include <windows.h>

#include "runtime/text.h"
#include "ui/layer_info.h"
#include "ui/list_heap.h"

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

std::int32_t ShowMessage(std::string_view title, std::string_view message, std::uint32_t flags) {
  const runtime::Text caption = runtime::MakeText(title);
  const runtime::Text text = runtime::MakeText(message);
  DisableThreadWindows();
  const int result = MessageBoxA(MessageOwner(), text.c_str(), caption.c_str(), flags);
  EnableThreadWindows();
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
