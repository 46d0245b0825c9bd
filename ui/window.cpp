#include "ui/window.h"

#include <cstdarg>
#include <cstddef>

#include "runtime/heap.h"
#include "runtime/system_library.h"
#include "runtime/text.h"
#include "ui/control_registry.h"
#include "ui/layer_info.h"
#include "ui/window_layer.h"
#include "ui/window_tree.h"

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

// Centred on the window that was active before this one was made (once made, the new window is the
// active one), or on the screen without one; never left of or above the screen's origin.
POINT CentredOnWindow(HWND active, int width, int height) {
  RECT r;
  if (active == nullptr || !GetWindowRect(active, &r)) return CentredOnScreen(width, height);
  const int left = r.left + ((r.right - r.left) >> 1) - (width >> 1);
  const int top = r.top + ((r.bottom - r.top) >> 1) - (height >> 1);
  return {left < 0 ? 0 : left, top < 0 ? 0 : top};
}

// Where the outer top-left corner of a window of this outer size goes: (x, y) scaled, or centred.
POINT Origin(int x, int y, std::uint32_t flags, HWND active, SIZE outer, UINT dpi) {
  if (flags & CentreOnActiveWindow) return CentredOnWindow(active, outer.cx, outer.cy);
  if (flags & CentreOnScreen) return CentredOnScreen(outer.cx, outer.cy);
  return {ScaleToDpi(x, dpi), ScaleToDpi(y, dpi)};
}

// value * to / from, rounded to the nearest, halves away from zero (for the sizes here, MulDiv's
// answer without its import).
int Rescaled(int value, int to, int from) {
  const int half = from / 2;
  return (value < 0 ? value * to - half : value * to + half) / from;
}

// A function that older Windows lacks, or null.
template <class Function>
void FindUser32(Function& function, const char* name) {
  runtime::FindFunction(function, GetModuleHandleA("user32"), name);
}

// The DPI of the monitor that holds the window, for Windows 8.1, which knows a DPI per monitor but
// none per window.
UINT WINAPI MonitorDpi(HWND window) {
  constexpr int EffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the one the user's scale gives
  UINT x = 0, y = 0;
  const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  return SUCCEEDED(layer.dpiForMonitor(monitor, EffectiveDpi, &x, &y)) ? x : layer.systemDpi;
}

// Where the system has them, the functions that tell and use a window's own DPI.
void FindDpiFunctions() {
  FindUser32(layer.dpiForWindow, "GetDpiForWindow");
  FindUser32(layer.adjustWindowRectExForDpi, "AdjustWindowRectExForDpi");
  BOOL(WINAPI * knowsContext)(DPI_AWARENESS_CONTEXT);
  FindUser32(knowsContext, "IsValidDpiAwarenessContext");
  // Windows 10 1607 runs the program per monitor (version 1), whose frame keeps the system's DPI
  // unless each window asks for it to follow.
  if (knowsContext != nullptr && !knowsContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
    FindUser32(layer.enableNonClientDpiScaling, "EnableNonClientDpiScaling");
  }
  if (layer.dpiForWindow != nullptr) return;
  runtime::FindFunction(layer.dpiForMonitor, runtime::LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor");
  if (layer.dpiForMonitor != nullptr) layer.dpiForWindow = MonitorDpi;
}

// The outer size of a window with this style whose client area is width x height at 96 DPI.
SIZE OuterSize(int width, int height, DWORD style, UINT dpi) {
  RECT r{0, 0, ScaleToDpi(width, dpi), ScaleToDpi(height, dpi)};
  if (layer.adjustWindowRectExForDpi != nullptr) {
    layer.adjustWindowRectExForDpi(&r, style, FALSE, 0, dpi);
  } else {
    AdjustWindowRect(&r, style, FALSE);  // where the system knows one DPI only
  }
  return {r.right - r.left, r.bottom - r.top};
}

// DEFAULT_GUI_FONT's face and point size at the DPI: the stock font itself at the system's DPI.
HFONT FontForDpi(UINT dpi) {
  const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (dpi == layer.systemDpi) return stock;
  LOGFONTA font;
  GetObjectA(stock, sizeof font, &font);
  font.lfHeight = Rescaled(font.lfHeight, static_cast<int>(dpi), static_cast<int>(layer.systemDpi));
  return CreateFontIndirectA(&font);
}

const WindowEntry* HoldingEntry(HWND window) {
  return window != nullptr ? FindWindowEntry(TopLevelAncestor(window)) : nullptr;
}

// A 96-DPI place (left, top, width, height) at the DPI.
RECT Scaled(const RECT& place, UINT dpi) {
  return {ScaleToDpi(place.left, dpi), ScaleToDpi(place.top, dpi), ScaleToDpi(place.right, dpi),
          ScaleToDpi(place.bottom, dpi)};
}

struct Layout {
  UINT dpi;
  HFONT font;
};

// One of the window's controls at its place scaled to the DPI, in the font.
BOOL CALLBACK LayOutControl(HWND child, LPARAM data) {
  const ControlRecord& record = FindControl(WindowIdentifier(child));
  if (record.window != child) return TRUE;  // not one of the layer's controls
  const Layout& layout = *reinterpret_cast<const Layout*>(data);
  const RECT r = Scaled(record.place, layout.dpi);
  SetWindowPos(child, nullptr, r.left, r.top, r.right, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(layout.font), TRUE);
  return TRUE;
}

void BuildNavigationAccelerators(WindowEntry& entry) {
  entry.accelerators = static_cast<ACCEL*>(runtime::AllocateBytes(sizeof NavigationAccelerators));
  for (std::size_t i = 0; i < NavigationAccelerators.size(); ++i) entry.accelerators[i] = NavigationAccelerators[i];
  entry.acceleratorCount = static_cast<std::int32_t>(NavigationAccelerators.size());
  entry.acceleratorTable = CreateAcceleratorTableA(entry.accelerators, entry.acceleratorCount);
}

void ReleaseEntry(WindowEntry& entry) {
  DeleteObject(entry.font);  // the stock font stays: deleting it does nothing
  if (entry.acceleratorCount != 0) {
    runtime::FreeBytes(entry.accelerators);
    DestroyAcceleratorTable(entry.acceleratorTable);
  }
  entry = WindowEntry{};
}

}  // namespace

// The one rounding rule: to the nearest, halves away from zero (as MulDiv rounds).
int ScaleToDpi(int value, UINT dpi) { return Rescaled(value, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

RECT PlaceControl(ControlNumber id, HWND parent, int x, int y, int width, int height) {
  const RECT place{x, y, width, height};
  ControlRecord* record = RecordOf(id);
  if (record != nullptr) record->place = place;
  return Scaled(place, WindowDpi(parent));
}

UINT WindowDpi(HWND window) {
  const WindowEntry* entry = HoldingEntry(window);
  return entry != nullptr ? entry->dpi : USER_DEFAULT_SCREEN_DPI;
}

HFONT WindowFont(HWND window) {
  const WindowEntry* entry = HoldingEntry(window);
  return entry != nullptr ? entry->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void RescaleWindow(HWND window, UINT dpi, const RECT& outer) {
  WindowEntry* entry = FindWindowEntry(window);
  if (entry == nullptr) return;
  const HFONT previous = entry->font;
  entry->dpi = dpi;
  entry->font = FontForDpi(dpi);
  SetWindowPos(window, nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // Moved onto a screen of yet another DPI, the window has been laid out for that one meanwhile.
  entry = FindWindowEntry(window);
  if (entry != nullptr) {
    Layout layout{entry->dpi, entry->font};
    EnumChildWindows(window, LayOutControl, reinterpret_cast<LPARAM>(&layout));
  }
  DeleteObject(previous);  // no control holds it any more
}

bool ScaledOuterSize(HWND window, UINT dpi, SIZE& outer) {
  const WindowEntry* entry = FindWindowEntry(window);
  if (entry == nullptr) return false;
  outer = OuterSize(entry->client.cx, entry->client.cy, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), dpi);
  return true;
}

WindowEntry* FindWindowEntry(HWND window) {
  if (window == nullptr) return nullptr;
  const WindowNumber number = NumberOfWindow(window);
  return number != -1 ? EntryOf(layer.windows, number) : nullptr;
}

void InitWindowLayer(HINSTANCE instance) {
  layer = WindowLayer{};
  layer.instance = instance;
  layer.eventControlNumber = NoControlNumber;
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
  FindDpiFunctions();
  // A program that declares DPI awareness reads the system's DPI here; any other reads 96.
  const HDC screen = GetDC(nullptr);
  layer.systemDpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
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

  // Laid out for the system's DPI, which is the DPI of the screen it opens on but where the user has
  // changed one screen's scale since signing in, or on Windows 8.1 the screen is not the main one;
  // then it is laid out and placed again for that screen's.
  const DWORD style = WindowStyle(flags);
  const HWND active = (flags & CentreOnActiveWindow) ? GetActiveWindow() : nullptr;
  const UINT dpi = layer.systemDpi;
  SIZE outer = OuterSize(width, height, style, dpi);
  POINT origin = Origin(x, y, flags, active, outer, dpi);

  const runtime::Text caption(title);
  const HWND window = CreateWindowExA(0, layer.className.data(), caption.c_str(), style, origin.x, origin.y,
                                      outer.cx, outer.cy, nullptr, nullptr, layer.instance, nullptr);
  if (window == nullptr) {
    RemoveAutomaticEntry(layer.windows, number);  // a numbered entry simply stays free
    return nullptr;
  }
  WindowEntry& entry = *EntryOf(layer.windows, number);
  entry.window = window;
  entry.client = {width, height};
  entry.dpi = dpi;
  entry.font = FontForDpi(dpi);
  layer.currentWindow = window;
  const UINT screenDpi = layer.dpiForWindow != nullptr ? layer.dpiForWindow(window) : dpi;
  if (screenDpi != dpi) {
    outer = OuterSize(width, height, style, screenDpi);
    origin = Origin(x, y, flags, active, outer, screenDpi);  // centred by the size it ends with
    RescaleWindow(window, screenDpi, RECT{origin.x, origin.y, origin.x + outer.cx, origin.y + outer.cy});
  }
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
