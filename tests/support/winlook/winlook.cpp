// Reads what windows show, from inside the Wine session of the program under test, and prints it as
// one JSON object per line for the test scripts; drives the running program's panel and reads its
// process for the soak and the benchmarks.
//
//   winlook top                    every visible top-level window
//   winlook children WINDOW        the child windows of WINDOW, in z-order (creation order)
//   winlook wait WINDOW [ms]       waits until WINDOW exists (default 20000 ms), prints it
//   winlook focus WINDOW           the window that has the keyboard focus in WINDOW's thread
//   winlook gone WINDOW [ms]       waits until WINDOW no longer exists
//   winlook box TITLE [ms]         waits for a message box titled TITLE, prints "text: " and its
//                                  message and "buttons: " and its buttons, and closes it with OK
//   winlook setpos WINDOW POS      moves a trackbar's thumb without telling its parent (TBM_SETPOS)
//   winlook move WINDOW POS        moves a vertical trackbar's thumb and tells its parent, as a
//                                  finished drag does (WM_VSCROLL, SB_THUMBPOSITION), without waiting
//   winlook close WINDOW           posts WM_CLOSE, as the close box does
//   winlook devicechange           sends WM_DEVICECHANGE (DBT_DEVNODES_CHANGED) to every top-level
//                                  window, as Windows does when devices come or go
//   winlook access WINDOW          what a screen reader learns of each child window of WINDOW through
//                                  Active Accessibility: name, role and value (texts as UTF-16)
//   winlook wtext WINDOW           the texts of WINDOW and its child windows, read as UTF-16
//   winlook fit WINDOW             for each label and button in WINDOW, the rectangle its text needs
//                                  in the program's font on a screen of the system's DPI (the
//                                  DEFAULT_GUI_FONT of a DPI-aware process), wrapped to the
//                                  control's width as a label wraps it, beside its client size
//   winlook hold                   stays on the desktop until killed, so that Wine keeps the desktop
//                                  up between test programs instead of building it anew each time
//   winlook appear TITLE CHILDREN  prints "ready", then waits, looking once a millisecond, until a
//                                  window TITLE with at least CHILDREN child windows is there, and
//                                  prints "found" (for the start-up figures: the caller times the
//                                  two lines; 1 after 60 s without it)
//
// The panel of the running program, driven from here as its trackbars and buttons would drive it
// (panel_driver.cpp, latency_probe.cpp, process_reader.cpp), in plain lines rather than JSON:
//   winlook usage [TITLE]          the figures of the process behind the window TITLE (default: the
//                                  panel): process_reader.cpp
//   winlook latency COUNT [LOG]    COUNT timed slider changes, waited for in the driver's LOG or by
//                                  asking the value display: latency_probe.cpp
//   winlook soak SLIDERS PRESSES SEED [SAMPLES]
//                                  slider changes and presses drawn from SEED, with what must come
//                                  out and samples of the process: panel_driver.cpp
//
// WINDOW is a handle in hex (0x...), "class:NAME" or "title:TEXT" (exact, Windows-1252). Every
// window is printed with its DPI (GetDpiForWindow), its DPI awareness (0 unaware, 1 system,
// 2 per monitor; -1 where the system cannot tell) and whether it takes its messages as UTF-16.
// Winlook declares itself per-monitor DPI aware, so its rectangles are in the screen's pixels, as
// xdotool takes them, also under a Wine that scales programs that declare no awareness.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/panel_layout.h"
#include "tests/support/winlook/panel.h"

namespace {

// user32's DPI functions where the system has them
UINT(WINAPI* dpiForWindow)(HWND) = nullptr;
DPI_AWARENESS_CONTEXT(WINAPI* windowAwareness)(HWND) = nullptr;
DPI_AWARENESS(WINAPI* awarenessOf)(DPI_AWARENESS_CONTEXT) = nullptr;

UINT DpiOf(HWND window) { return dpiForWindow != nullptr ? dpiForWindow(window) : 0; }

int AwarenessOf(HWND window) {
  return windowAwareness != nullptr && awarenessOf != nullptr ? awarenessOf(windowAwareness(window)) : -1;
}

template <class Function>
void FindUser32(Function& function, const char* name) {
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32"), name)));
}

void PrintJsonString(const char* text) {
  std::putchar('"');
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p == '"' || *p == '\\') {
      std::printf("\\%c", *p);
    } else if (*p < 0x20 || *p >= 0x7F) {
      std::printf("\\u%04x", *p);  // bytes stay bytes: the reader decodes them as Latin-1
    } else {
      std::putchar(*p);
    }
  }
  std::putchar('"');
}

struct Query {
  const char* klass = nullptr;
  const char* title = nullptr;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTop(HWND window, LPARAM data) {
  Query& query = *reinterpret_cast<Query*>(data);
  char buffer[512];
  if (query.klass != nullptr) {
    GetClassNameA(window, buffer, sizeof buffer);
    if (std::strcmp(buffer, query.klass) != 0) return TRUE;
  }
  if (query.title != nullptr) {
    GetWindowTextA(window, buffer, sizeof buffer);
    if (std::strcmp(buffer, query.title) != 0) return TRUE;
  }
  query.found = window;
  return FALSE;
}

HWND Find(const char* wanted) {
  if (std::strncmp(wanted, "0x", 2) == 0) {
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoull(wanted + 2, nullptr, 16)));
    return IsWindow(window) ? window : nullptr;
  }
  Query query;
  if (std::strncmp(wanted, "class:", 6) == 0) query.klass = wanted + 6;
  else if (std::strncmp(wanted, "title:", 6) == 0) query.title = wanted + 6;
  else return nullptr;
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

void PrintRect(const char* name, const RECT& r) {
  std::printf("\"%s\":[%ld,%ld,%ld,%ld]", name, r.left, r.top, r.right, r.bottom);
}

void PrintWindow(HWND window, HWND parent) {
  char klass[256] = {};
  char text[32768] = {};
  GetClassNameA(window, klass, sizeof klass);
  // WM_GETTEXT reaches windows of other processes too.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  RECT screen{};
  GetWindowRect(window, &screen);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  std::printf("{\"hwnd\":\"0x%llx\",\"id\":%ld,\"class\":", static_cast<unsigned long long>(
                  reinterpret_cast<UINT_PTR>(window)),
              static_cast<long>(GetWindowLongPtrA(window, GWLP_ID)));
  PrintJsonString(klass);
  std::printf(",\"text\":");
  PrintJsonString(text);
  std::printf(",\"dpi\":%u,\"awareness\":%d,\"style\":%lu,\"exstyle\":%lu,\"visible\":%s,\"enabled\":%s,"
              "\"unicode\":%s,\"pid\":%lu,",
              DpiOf(window), AwarenessOf(window), static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
              static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)),
              IsWindowVisible(window) ? "true" : "false", IsWindowEnabled(window) ? "true" : "false",
              IsWindowUnicode(window) ? "true" : "false", static_cast<unsigned long>(process));
  PrintRect("screen", screen);
  if (parent != nullptr) {
    RECT local = screen;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&local), 2);
    std::printf(",");
    PrintRect("rect", local);
  } else {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf(",");
    PrintRect("client", client);
    std::printf(",\"origin\":[%ld,%ld],\"foreground\":%s", origin.x, origin.y,
                GetForegroundWindow() == window ? "true" : "false");
  }
  if (std::strcmp(klass, "Edit") == 0 || std::strcmp(klass, "EDIT") == 0) {
    // Asked without pointers, which would not cross into the other process.
    const DWORD selection = static_cast<DWORD>(SendMessageA(window, EM_GETSEL, 0, 0));
    std::printf(",\"sel\":[%u,%u]", LOWORD(selection), HIWORD(selection));
  }
  if (std::strcmp(klass, TRACKBAR_CLASSA) == 0) {
    std::printf(",\"pos\":%ld,\"min\":%ld,\"max\":%ld",
                static_cast<long>(SendMessageA(window, TBM_GETPOS, 0, 0)),
                static_cast<long>(SendMessageA(window, TBM_GETRANGEMIN, 0, 0)),
                static_cast<long>(SendMessageA(window, TBM_GETRANGEMAX, 0, 0)));
  }
  std::printf("}\n");
}

BOOL CALLBACK PrintTop(HWND window, LPARAM) {
  if (IsWindowVisible(window)) PrintWindow(window, nullptr);
  return TRUE;
}

int Children(HWND parent) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    PrintWindow(child, parent);
  }
  return 0;
}

// A title of a visible top-level window, for a wait that gives up to say what it saw instead.
BOOL CALLBACK NoteTitle(HWND window, LPARAM count) {
  char title[256] = {};
  if (IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) > 0) {
    std::fprintf(stderr, " \"%s\"", title);
    ++*reinterpret_cast<int*>(count);
  }
  return TRUE;
}

int Wait(const char* wanted, DWORD milliseconds, bool untilGone) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    HWND window = Find(wanted);
    if (!untilGone && window != nullptr) {
      PrintWindow(window, nullptr);
      return 0;
    }
    if (untilGone && window == nullptr) return 0;
    if (GetTickCount64() > end) {
      std::fprintf(stderr, "winlook: gave up after %lu ms waiting for %s to %s; at the last look ",
                   static_cast<unsigned long>(milliseconds), wanted, untilGone ? "go" : "appear");
      if (untilGone) {
        std::fprintf(stderr, "it was still there (0x%llx)\n",
                     static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
      } else {
        std::fprintf(stderr, "the visible top-level windows with a title were:");
        int count = 0;
        EnumWindows(NoteTitle, reinterpret_cast<LPARAM>(&count));
        std::fprintf(stderr, count == 0 ? " none\n" : "\n");
      }
      return 1;
    }
    Sleep(20);
  }
}

// Texts that came as UTF-16: printable ASCII as it is, every other character as \uXXXX.
void PrintJsonWide(const wchar_t* text, UINT length) {
  std::putchar('"');
  for (UINT i = 0; i < length; ++i) {
    const wchar_t c = text[i];
    if (c == L'"' || c == L'\\') {
      std::printf("\\%c", static_cast<char>(c));
    } else if (c < 0x20 || c >= 0x7F) {
      std::printf("\\u%04x", static_cast<unsigned>(c));
    } else {
      std::putchar(static_cast<char>(c));
    }
  }
  std::putchar('"');
}

// One child as a screen reader asks for it: its accessible object, then name, role and value of the
// object itself. A part it does not answer is null.
void PrintAccessible(HWND child) {
  std::printf("{\"hwnd\":\"0x%llx\",\"id\":%ld", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(child)),
              static_cast<long>(GetWindowLongPtrA(child, GWLP_ID)));
  IAccessible* object = nullptr;
  const HRESULT found =
      AccessibleObjectFromWindow(child, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  std::printf(",\"found\":%ld", static_cast<long>(found));
  if (SUCCEEDED(found)) {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    std::printf(",\"name\":");
    if (object->get_accName(self, &text) == S_OK && text != nullptr) PrintJsonWide(text, SysStringLen(text));
    else std::printf("null");
    SysFreeString(text);
    VARIANT role;
    VariantInit(&role);
    const bool hasRole = object->get_accRole(self, &role) == S_OK && role.vt == VT_I4;
    std::printf(",\"role\":");
    if (hasRole) std::printf("%ld", static_cast<long>(role.lVal));
    else std::printf("null");
    VariantClear(&role);
    text = nullptr;
    std::printf(",\"value\":");
    if (object->get_accValue(self, &text) == S_OK && text != nullptr) PrintJsonWide(text, SysStringLen(text));
    else std::printf("null");
    SysFreeString(text);
    object->Release();
  }
  std::printf("}\n");
}

int Access(HWND parent) {
  CoInitialize(nullptr);
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    PrintAccessible(child);
  }
  CoUninitialize();
  return 0;
}

// The window's own text and each child's, asked for in UTF-16: what the window system shows.
int WideTexts(HWND window) {
  for (HWND w = window; w != nullptr; w = w == window ? GetWindow(window, GW_CHILD) : GetWindow(w, GW_HWNDNEXT)) {
    wchar_t text[4096] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
    std::printf("{\"hwnd\":\"0x%llx\",\"id\":%ld,\"text\":", static_cast<unsigned long long>(
                    reinterpret_cast<UINT_PTR>(w)), static_cast<long>(GetWindowLongPtrA(w, GWLP_ID)));
    PrintJsonWide(text, static_cast<UINT>(length));
    std::printf("}\n");
  }
  return 0;
}

int Fit(HWND window) {
  const HDC dc = GetDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    char klass[64] = {};
    char text[4096] = {};
    GetClassNameA(child, klass, sizeof klass);
    const bool button = _stricmp(klass, "Button") == 0;
    if (!button && _stricmp(klass, "Static") != 0) continue;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    RECT client{};
    GetClientRect(child, &client);
    RECT needed = client;
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_EXPANDTABS | (button ? DT_SINGLELINE : DT_WORDBREAK));
    std::printf("{\"id\":%ld,\"class\":", static_cast<long>(GetWindowLongPtrA(child, GWLP_ID)));
    PrintJsonString(klass);
    std::printf(",\"text\":");
    PrintJsonString(text);
    std::printf(",");
    PrintRect("client", client);
    std::printf(",");
    PrintRect("needed", needed);
    std::printf("}\n");
  }
  ReleaseDC(nullptr, dc);
  return 0;
}

int Focus(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || info.hwndFocus == nullptr) {
    std::printf("null\n");
    return 0;
  }
  PrintWindow(info.hwndFocus, GetParent(info.hwndFocus));
  return 0;
}

// Every wrong call says so and gives the calls there are.
int Usage(const char* problem) {
  std::fprintf(stderr,
               "winlook: %s\nusage: winlook top | hold | children W | wait W [ms] | gone W [ms] | focus W | fit W | "
               "setpos W POS | move W POS | close W | access W | wtext W | devicechange | box TITLE [ms] | "
               "appear TITLE CHILDREN | usage [TITLE] | latency COUNT [LOG] | soak SLIDERS PRESSES SEED [SAMPLES]\n",
               problem);
  return 2;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

int Appear(const char* title, long children) {
  std::puts("ready");
  std::fflush(stdout);
  for (int round = 0; round < 60000; ++round) {
    const HWND window = FindWindowA(nullptr, title);
    long count = 0;
    if (window != nullptr) EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
    if (window != nullptr && count >= children) {
      std::puts("found");
      return 0;
    }
    Sleep(1);
  }
  return 1;
}

int BroadcastDeviceChange() {
  constexpr WPARAM DevicesChanged = 0x0007;  // DBT_DEVNODES_CHANGED
  DWORD_PTR ignored;
  return SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, DevicesChanged, 0, SMTO_ABORTIFHUNG, 5000, &ignored) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("no verb given");
  BOOL(WINAPI * aware)(DPI_AWARENESS_CONTEXT) = nullptr;
  FindUser32(aware, "SetProcessDpiAwarenessContext");
  if (aware != nullptr) aware(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  FindUser32(dpiForWindow, "GetDpiForWindow");
  FindUser32(windowAwareness, "GetWindowDpiAwarenessContext");
  FindUser32(awarenessOf, "GetAwarenessFromDpiAwarenessContext");
  const std::string verb = argv[1];
  if (verb == "hold") {
    GetDesktopWindow();
    Sleep(INFINITE);
  }
  if (verb == "top") {
    EnumWindows(PrintTop, 0);
    return 0;
  }
  if (verb == "devicechange") return BroadcastDeviceChange();
  if (verb == "usage") return winlook::Usage(argc > 2 ? argv[2] : app::PanelTitle.data());
  if (verb == "appear" && argc == 4) return Appear(argv[2], std::atol(argv[3]));
  if (verb == "latency" && (argc == 3 || argc == 4)) return winlook::Latency(std::atol(argv[2]), argc == 4 ? argv[3] : nullptr);
  if (verb == "soak" && (argc == 5 || argc == 6) && std::atol(argv[2]) > 0) {
    return winlook::Soak(std::atol(argv[2]), std::atol(argv[3]), static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)),
                         argc == 6 ? std::atol(argv[5]) : 20);
  }
  if (argc < 3) return Usage((verb + ": no window given").c_str());
  const DWORD milliseconds = argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 20000;
  if (verb == "box") return AnswerBox(argv[2], milliseconds);
  if (verb == "wait") return Wait(argv[2], milliseconds, false);
  if (verb == "gone") return Wait(argv[2], milliseconds, true);
  HWND window = Find(argv[2]);
  if (window == nullptr) {
    std::fprintf(stderr, "winlook: no window %s\n", argv[2]);
    return 1;
  }
  if (verb == "children") return Children(window);
  if (verb == "focus") return Focus(window);
  if (verb == "access") return Access(window);
  if (verb == "wtext") return WideTexts(window);
  if (verb == "fit") return Fit(window);
  if (verb == "setpos" && argc > 3) {
    SendMessageA(window, TBM_SETPOS, TRUE, std::strtol(argv[3], nullptr, 10));
    return 0;
  }
  if (verb == "move" && argc > 3) {
    const long position = std::strtol(argv[3], nullptr, 10);
    SendMessageA(window, TBM_SETPOS, TRUE, position);
    PostMessageA(GetParent(window), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(window));
    return 0;
  }
  if (verb == "setpos" || verb == "move") return Usage((verb + ": no position given").c_str());
  if (verb == "close") {
    if (PostMessageA(window, WM_CLOSE, 0, 0)) return 0;
    std::fprintf(stderr, "winlook: posting WM_CLOSE to %s failed (error %lu)\n", argv[2],
                 static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  return Usage(("unknown verb " + verb).c_str());
}
