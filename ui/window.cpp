#include "ui/window.h"

#include <cstdarg>
#include <cstddef>

#include "runtime/heap.h"
#include "runtime/text.h"
#include "ui/layer_info.h"
#include "ui/window_layer.h"

namespace ui {

WindowLayer windowLayer{};

namespace {

constexpr std::int32_t InitialCapacity = 10;
constexpr WORD ProgramIcon = 1;  // the icon resource every numbered window class shows
constexpr std::array<ACCEL, 2> NavigationAccelerators{{
    {FVIRTKEY | FNOINVERT, VK_TAB, NavigateNextCommand},
    {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, NavigatePreviousCommand},
}};

WindowLayer& layer = windowLayer;

void FormatClassName(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  wvsprintfA(layer.className.data(), format, arguments);
  va_end(arguments);
}

void FillClassName(WindowNumber number) { FormatClassName("WindowClass_%ld", static_cast<long>(number)); }

// The number of the numbered window with this handle (automatic entries first, then 0 to
// capacity - 1), or -1.
WindowNumber NumberOfWindow(HWND window) {
  for (const AutomaticEntry<WindowEntry>* automatic = layer.windows.automatic; automatic != nullptr;
       automatic = automatic->next) {
    if (automatic->entry.window == window) return automatic->number;
  }
  for (std::int32_t number = 0; number < layer.windows.capacity; ++number) {
    if (layer.windows.table[number].window == window) return number;
  }
  return -1;
}

// Placement bits out, the visibility bit turned round into WS_VISIBLE, a caption for a bare style.
DWORD WindowStyle(std::uint32_t flags) {
  DWORD style = flags & ~(CentreOnScreen | CentreOnActiveWindow);
  if (style == 0 || style == CreateHidden) style |= WS_CAPTION;
  return (flags & CreateHidden) ? style & ~WS_VISIBLE : style | WS_VISIBLE;
}

// Left and top of an outer rectangle of the given size, centred on the screen. A window larger than
// the screen is placed as if it were as large as the screen, so its left or top edge is at 0.
POINT CentredOnScreen(int width, int height) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int w = width < screenWidth ? width : screenWidth;
  const int h = height < screenHeight ? height : screenHeight;
  return {(screenWidth >> 1) - (w >> 1), (screenHeight >> 1) - (h >> 1)};
}

POINT CentredOnActiveWindow(int width, int height) {
  const HWND active = GetActiveWindow();
  RECT r;
  if (active == nullptr || !GetWindowRect(active, &r)) return CentredOnScreen(width, height);
  const int left = r.left + ((r.right - r.left) >> 1) - (width >> 1);
  const int top = r.top + ((r.bottom - r.top) >> 1) - (height >> 1);
  return {left < 0 ? 0 : left, top < 0 ? 0 : top};
}

void BuildNavigationAccelerators(WindowEntry& entry) {
  entry.accelerators = static_cast<ACCEL*>(runtime::AllocateBytes(sizeof NavigationAccelerators));
  for (std::size_t i = 0; i < NavigationAccelerators.size(); ++i) entry.accelerators[i] = NavigationAccelerators[i];
  entry.acceleratorCount = static_cast<std::int32_t>(NavigationAccelerators.size());
  entry.acceleratorTable = CreateAcceleratorTableA(entry.accelerators, entry.acceleratorCount);
}

void ReleaseEntry(WindowEntry& entry) {
  if (entry.acceleratorCount != 0) {
    runtime::FreeBytes(entry.accelerators);
    DestroyAcceleratorTable(entry.acceleratorTable);
  }
  entry = WindowEntry{};
}

}  // namespace

WindowEntry* FindWindowEntry(HWND window) {
  if (window == nullptr) return nullptr;
  const WindowNumber number = NumberOfWindow(window);
  return number != -1 ? EntryOf(layer.windows, number) : nullptr;
}

void InitWindowLayer(HINSTANCE instance) {
  layer = WindowLayer{};
  layer.instance = instance;
  InitNumberedTable(layer.windows, InitialCapacity);
  if (layer.windows.table == nullptr) return;  // every number is refused
  WNDCLASSA& wc = layer.windowClassTemplate;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = NumberedWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ProgramIcon));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = layer.className.data();
}

HWND OpenNumberedWindow(WindowNumber number, int x, int y, int width, int height, std::uint32_t flags,
                        std::string_view title) {
  if (number < AutoWindowNumber || number > LargestNumber || layer.windows.table == nullptr) return nullptr;
  if (number == AutoWindowNumber) {
    const AutomaticEntry<WindowEntry>* automatic = AddAutomaticEntry(layer.windows);
    if (automatic == nullptr) return nullptr;
    number = automatic->number;
  } else {
    if (!GrowNumberedTable(layer.windows, number)) return nullptr;
    CloseNumberedWindow(number);
  }

  FillClassName(number);
  RegisterClassA(&layer.windowClassTemplate);

  const DWORD style = WindowStyle(flags);
  RECT outer{x, y, x + width, y + height};
  AdjustWindowRect(&outer, style, FALSE);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  POINT origin{x, y};
  if (flags & CentreOnActiveWindow) {
    origin = CentredOnActiveWindow(outerWidth, outerHeight);
  } else if (flags & CentreOnScreen) {
    origin = CentredOnScreen(outerWidth, outerHeight);
  }

  const runtime::Text caption(title);
  const HWND window = CreateWindowExA(0, layer.className.data(), caption.c_str(), style, origin.x, origin.y,
                                      outerWidth, outerHeight, nullptr, nullptr, layer.instance, nullptr);
  if (window == nullptr) {
    RemoveAutomaticEntry(layer.windows, number);  // a numbered entry simply stays free
    return nullptr;
  }
  WindowEntry& entry = *EntryOf(layer.windows, number);
  entry.window = window;
  layer.currentWindow = window;
  if ((style & WS_VISIBLE) && (style & WS_MAXIMIZE)) ShowWindow(window, SW_MAXIMIZE);
  BuildNavigationAccelerators(entry);
  if (number < AutoWindowNumber) return reinterpret_cast<HWND>(static_cast<INT_PTR>(number));
  return window;
}

HWND WindowHandle(WindowNumber number) {
  const WindowEntry* entry = EntryOf(layer.windows, number);
  return entry != nullptr ? entry->window : nullptr;
}

HWND SelectWindow(WindowNumber number) {
  layer.currentWindow = WindowHandle(number);
  return layer.currentWindow;
}

HWND CurrentWindowHandle() { return layer.currentWindow; }

WindowNumber EventWindowNumber() { return layer.eventWindow != nullptr ? NumberOfWindow(layer.eventWindow) : -1; }

ControlNumber EventControlNumber() { return layer.eventControlNumber; }

void CloseNumberedWindow(WindowNumber number) {
  WindowEntry* entry = EntryOf(layer.windows, number);
  if (entry == nullptr || entry->window == nullptr) return;
  const HWND window = entry->window;
  const HWND owner = GetWindow(window, GW_OWNER);
  if (owner != nullptr) SetActiveWindow(owner);
  DestroyWindow(window);
  FillClassName(number);
  UnregisterClassA(layer.className.data(), layer.instance);
  ReleaseEntry(*entry);
  RemoveAutomaticEntry(layer.windows, number);  // nothing to remove for a table entry
}

void CloseAllWindows() {
  while (layer.windows.automatic != nullptr) {
    const WindowNumber number = layer.windows.automatic->number;
    CloseNumberedWindow(number);
    RemoveAutomaticEntry(layer.windows, number);  // an entry without a window, which closing leaves alone
  }
  for (std::int32_t number = layer.windows.capacity - 1; number >= 0; --number) CloseNumberedWindow(number);
}

std::int32_t WindowTableCapacity() { return layer.windows.capacity; }

std::int32_t AutomaticWindowCount() { return AutomaticEntryCount(layer.windows); }

}  // namespace ui
