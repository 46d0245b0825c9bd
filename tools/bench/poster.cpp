// Drives the running program's panel from another process, as the trackbars and buttons would, and
// reads the figures of the program's process. For the benchmarks and the soak test.
//
//   poster usage [TITLE]            the process behind the window TITLE (default: the panel): pid,
//                                   handles, USER and GDI objects, private bytes, working set and its
//                                   peak, CPU time
//                                   (Wine reports neither private bytes nor CPU time of another
//                                   process; bench.py reads those from /proc)
//   poster latency COUNT [LOG]      COUNT slider changes, each made while the panel is idle; prints
//                                   "stamp T MESSAGE" per change, T in QPC microseconds just before
//                                   the event is posted. Each change is waited for by asking the
//                                   value display for its text over and over, or, given the MIDI
//                                   driver's LOG, by reading the log once a millisecond, which sends
//                                   the program nothing while it works
//   poster soak SLIDERS PRESSES SEED [SAMPLES]
//                                   SLIDERS slider changes (about one step in fifty a burst of
//                                   several positions before one event) and PRESSES button presses,
//                                   in an order drawn from SEED; prints what must come out: presses
//                                   ("press MESSAGE") in order, slider changes ("exact MESSAGE",
//                                   "burst CONTROLLER V1,V2,...") in order, SAMPLES process
//                                   samples ("sample CHANGES HANDLES PRIVATE WORKINGSET USER GDI"),
//                                   and each value display ("display NUMBER VALUE TEXT"); it stops
//                                   at the first change whose display does not follow ("lost N")
//
// A slider change is TBM_SETPOS on the trackbar and WM_VSCROLL posted to the panel with the trackbar
// as lParam; a press is WM_COMMAND (BN_CLICKED) posted to the panel with the button as lParam. Each
// change waits until the column's value display shows the new value, so no change is made before
// the loop has sent the one before it. MESSAGE is the short message in hex as the driver logs it.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/tables.h"

namespace {

constexpr DWORD ReplyTimeoutMs = 5000;   // a panel that does not answer a message in this time has hung
constexpr DWORD DisplayTimeoutMs = 5000;  // a value display that does not change in this time stays wrong

// ---- the panel ----

struct Panel {
  HWND window;
  HWND sliders[app::SliderCount];
  HWND displays[app::SliderCount];
  HWND buttons[app::ButtonTable.size()];
  std::int32_t values[app::SliderCount];  // where each slider stands, as this side set it
};

bool FindPanel(const char* title, Panel& panel) {
  std::memset(&panel, 0, sizeof panel);
  panel.window = FindWindowA(nullptr, title);
  if (panel.window == nullptr) return false;
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    panel.sliders[row] = GetDlgItem(panel.window, app::SliderTable[row].slider);
    panel.displays[row] = GetDlgItem(panel.window, app::SliderTable[row].display);
    if (panel.sliders[row] == nullptr || panel.displays[row] == nullptr) return false;
  }
  for (std::size_t i = 0; i < app::ButtonTable.size(); ++i) {
    panel.buttons[i] = GetDlgItem(panel.window, app::ButtonTable[i].button);
    if (panel.buttons[i] == nullptr) return false;
  }
  return true;
}

// The window's text, asked of the window's own thread (WM_GETTEXT reaches controls of other
// processes; GetWindowText does not on Windows). Empty when the window does not answer.
void ReadText(HWND window, char* text, int size) {
  text[0] = '\0';
  DWORD_PTR length = 0;
  if (SendMessageTimeoutA(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, ReplyTimeoutMs, &length) == 0) {
    text[0] = '\0';
  }
}

bool DisplayShows(HWND display, std::int32_t value) {
  char text[32];
  char wanted[16];
  ReadText(display, text, sizeof text);
  std::snprintf(wanted, sizeof wanted, "%ld", static_cast<long>(value));
  return std::strcmp(text, wanted) == 0;
}

// Waits until the display shows the value; false if it never does.
bool WaitForDisplay(HWND display, std::int32_t value) {
  const ULONGLONG end = GetTickCount64() + DisplayTimeoutMs;
  while (!DisplayShows(display, value)) {
    if (GetTickCount64() > end) return false;
  }
  return true;
}

// Waits until the panel has nothing left to paint in the column and is back waiting for events:
// the repaint a change leaves behind is an event too, and would otherwise pick up the next change.
void WaitUntilIdle(const Panel& panel, std::size_t row) {
  const ULONGLONG end = GetTickCount64() + DisplayTimeoutMs;
  while ((GetUpdateRect(panel.displays[row], nullptr, FALSE) || GetUpdateRect(panel.sliders[row], nullptr, FALSE)) &&
         GetTickCount64() < end) {
    Sleep(0);
  }
  DWORD_PTR ignored;
  SendMessageTimeoutA(panel.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &ignored);
}

// The displays show where the sliders stand; a run may follow other work on the same panel.
void ReadValues(Panel& panel) {
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    char text[32];
    ReadText(panel.displays[row], text, sizeof text);
    panel.values[row] = std::atoi(text);
  }
}

void SetSlider(const Panel& panel, std::size_t row, std::int32_t value, bool redraw) {
  DWORD_PTR ignored;
  // A vertical trackbar has its minimum at the top.
  SendMessageTimeoutA(panel.sliders[row], TBM_SETPOS, redraw ? TRUE : FALSE, app::SliderMaximum - value,
                      SMTO_ABORTIFHUNG, ReplyTimeoutMs, &ignored);
}

void PostSliderEvent(const Panel& panel, std::size_t row, std::int32_t value) {
  PostMessageA(panel.window, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, app::SliderMaximum - value),
               reinterpret_cast<LPARAM>(panel.sliders[row]));
}

void PostPress(const Panel& panel, std::size_t index) {
  PostMessageA(panel.window, WM_COMMAND, MAKEWPARAM(app::ButtonTable[index].button, BN_CLICKED),
               reinterpret_cast<LPARAM>(panel.buttons[index]));
}

DWORD ControlChange(std::int32_t controller, std::int32_t value) {
  return static_cast<DWORD>(app::ControlChange) | static_cast<DWORD>(controller) << 8 |
         static_cast<DWORD>(value) << 16;
}

// Microseconds of the performance counter, computed as the driver double computes its log times.
ULONGLONG Microseconds() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<ULONGLONG>(counter.QuadPart / frequency.QuadPart) * 1000000u +
         static_cast<ULONGLONG>(counter.QuadPart % frequency.QuadPart) * 1000000u /
             static_cast<ULONGLONG>(frequency.QuadPart);
}

// A small generator of its own, so that a seed gives the same run everywhere.
std::uint32_t randomState = 1;
std::uint32_t Random(std::uint32_t below) {
  randomState = randomState * 1664525u + 1013904223u;
  return (randomState >> 8) % below;
}

// A slider value other than the current one.
std::int32_t OtherValue(std::int32_t current) {
  return (current + 1 + static_cast<std::int32_t>(Random(127))) % 128;
}

// ---- the process ----

struct SystemHandleEntry {
  PVOID object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG handleAttributes;
  ULONG reserved;
};

struct SystemHandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  SystemHandleEntry entries[1];
};

using QuerySystemInformation = LONG(NTAPI*)(ULONG infoClass, PVOID buffer, ULONG size, PULONG returned);
using QueryThreadInformation = LONG(NTAPI*)(HANDLE thread, ULONG infoClass, PVOID buffer, ULONG size,
                                            PULONG returned);

// An ntdll function by name. GetProcAddress gives a generic pointer; the cast through
// void (*)() says that the real type is known here.
template <class Function>
Function NtdllFunction(const char* name) {
  const FARPROC found = GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The process's handles counted in the system's handle table: the fallback where the process
// count is not kept (Wine answers GetProcessHandleCount with 0). -1 when the table cannot be read.
long CountSystemHandles(DWORD pid) {
  constexpr ULONG SystemExtendedHandleInformation = 64;
  constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004);
  const auto query = NtdllFunction<QuerySystemInformation>("NtQuerySystemInformation");
  if (query == nullptr) return -1;
  ULONG size = 1 << 20;
  for (int attempt = 0; attempt < 8; ++attempt, size *= 2) {
    void* buffer = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (buffer == nullptr) return -1;
    ULONG returned = 0;
    const LONG status = query(SystemExtendedHandleInformation, buffer, size, &returned);
    long count = -1;
    if (status >= 0) {
      const auto* table = static_cast<const SystemHandleTable*>(buffer);
      count = 0;
      for (ULONG_PTR i = 0; i < table->count; ++i) {
        if (table->entries[i].processId == pid) ++count;
      }
    }
    VirtualFree(buffer, 0, MEM_RELEASE);
    if (status != InfoLengthMismatch) return count;
  }
  return -1;
}

// ---- USER and GDI objects ----
//
// Windows counts them per process (GetGuiResources); Wine answers that call with 0. There the
// nearest honest measures are these: USER objects as the process's windows, top-level and child
// (menus, accelerator tables and cursors cannot be seen from outside), and GDI objects as the used
// entries of the GDI handle table that Wine keeps in each process's memory, stock objects left out.

struct WindowCount {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountWindow(HWND, LPARAM data) {
  ++reinterpret_cast<WindowCount*>(data)->count;
  return TRUE;
}

BOOL CALLBACK CountTopWindow(HWND window, LPARAM data) {
  auto& tally = *reinterpret_cast<WindowCount*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != tally.pid) return TRUE;
  ++tally.count;
  EnumChildWindows(window, CountWindow, data);  // every descendant, not only direct children
  return TRUE;
}

long CountProcessWindows(DWORD pid) {
  WindowCount tally{pid, 0};
  EnumWindows(CountTopWindow, reinterpret_cast<LPARAM>(&tally));
  return tally.count;
}

// An entry of Wine's GDI handle table (GDI_HANDLE_ENTRY, the same 24 bytes on both targets).
#pragma pack(push, 1)
struct GdiHandleEntry {
  unsigned long long object;
  ULONG owner;
  USHORT unique;  // bit 7: a stock object
  UCHAR type;     // 0: a free entry
  UCHAR flags;
  unsigned long long userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24, "Wine's GDI handle entries are 24 bytes");
constexpr std::size_t GdiHandleCount = 0x10000;

template <class T>
bool ReadRemote(HANDLE process, unsigned long long address, T& value) {
  SIZE_T read = 0;
  return address != 0 && address <= static_cast<ULONG_PTR>(-1) - sizeof(T) &&
         ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<ULONG_PTR>(address)), &value, sizeof value,
                           &read) &&
         read == sizeof value;
}

// Where Wine keeps the process's GDI handle table: in its (64-bit) process environment block, found
// from a thread's environment block. A 32-bit process has its 64-bit thread block at an offset
// given in the 32-bit one. 0 when it cannot be found.
unsigned long long GdiTableAddress(HANDLE process, DWORD threadId) {
  struct ThreadBasicInformation {
    LONG exitStatus;
    PVOID tebBaseAddress;
    PVOID clientId[2];
    ULONG_PTR affinityMask;
    LONG priority;
    LONG basePriority;
  } info{};
  const auto query = NtdllFunction<QueryThreadInformation>("NtQueryInformationThread");
  const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
  if (query == nullptr || thread == nullptr) return 0;
  const LONG status = query(thread, 0, &info, sizeof info, nullptr);
  CloseHandle(thread);
  if (status < 0) return 0;
  unsigned long long teb64 = reinterpret_cast<ULONG_PTR>(info.tebBaseAddress);
#ifndef _WIN64
  LONG wowTebOffset = 0;
  if (!ReadRemote(process, teb64 + 0xFDC, wowTebOffset) || wowTebOffset == 0) return 0;
  teb64 += static_cast<unsigned long long>(static_cast<long long>(wowTebOffset));
#endif
  unsigned long long peb64 = 0;
  unsigned long long table = 0;
  if (!ReadRemote(process, teb64 + 0x60, peb64) || !ReadRemote(process, peb64 + 0xF8, table)) return 0;
  return table;
}

long CountWineGdiObjects(HANDLE process, DWORD threadId) {
  const unsigned long long table = GdiTableAddress(process, threadId);
  if (table == 0) return -1;
  const SIZE_T bytes = GdiHandleCount * sizeof(GdiHandleEntry);
  auto* entries = static_cast<GdiHandleEntry*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (entries == nullptr) return -1;
  SIZE_T read = 0;
  long count = -1;
  if (ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<ULONG_PTR>(table)), entries, bytes, &read) &&
      read == bytes) {
    count = 0;
    for (std::size_t i = 0; i < GdiHandleCount; ++i) {
      if (entries[i].type != 0 && (entries[i].unique & 0x80) == 0) ++count;
    }
  }
  VirtualFree(entries, 0, MEM_RELEASE);
  return count;
}

struct ProcessFigures {
  long handles;
  const char* handleSource;
  long userObjects;
  const char* userSource;
  long gdiObjects;
  const char* gdiSource;
  unsigned long long privateBytes;
  unsigned long long workingSet;
  unsigned long long peakWorkingSet;
  unsigned long long cpu100ns;  // kernel and user time
};

bool ReadProcess(HANDLE process, DWORD pid, DWORD threadId, ProcessFigures& figures) {
  std::memset(&figures, 0, sizeof figures);
  figures.userObjects = static_cast<long>(GetGuiResources(process, GR_USEROBJECTS));
  figures.userSource = "process";
  if (figures.userObjects == 0) {
    figures.userObjects = CountProcessWindows(pid);
    figures.userSource = "windows";
  }
  figures.gdiObjects = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
  figures.gdiSource = "process";
  if (figures.gdiObjects == 0) {
    figures.gdiObjects = CountWineGdiObjects(process, threadId);
    figures.gdiSource = "wine-gdi-table";
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles) && handles != 0) {
    figures.handles = static_cast<long>(handles);
    figures.handleSource = "process";
  } else {
    figures.handles = CountSystemHandles(pid);
    figures.handleSource = "system-table";
  }
  PROCESS_MEMORY_COUNTERS_EX memory;
  std::memset(&memory, 0, sizeof memory);
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    return false;
  }
  figures.privateBytes = memory.PrivateUsage;
  figures.workingSet = memory.WorkingSetSize;
  figures.peakWorkingSet = memory.PeakWorkingSetSize;
  FILETIME created, exited, kernel, user;
  if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    const auto value = [](const FILETIME& t) {
      return static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    figures.cpu100ns = value(kernel) + value(user);
  }
  return true;
}

HANDLE OpenWindowProcess(HWND window, DWORD& pid, DWORD& threadId) {
  pid = 0;
  threadId = GetWindowThreadProcessId(window, &pid);
  return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
}

// ---- the commands ----

int Usage(const char* title) {
  const HWND window = FindWindowA(nullptr, title);
  if (window == nullptr) {
    std::fprintf(stderr, "no window \"%s\"\n", title);
    return 1;
  }
  DWORD pid, threadId;
  const HANDLE process = OpenWindowProcess(window, pid, threadId);
  ProcessFigures figures;
  if (process == nullptr || !ReadProcess(process, pid, threadId, figures)) {
    std::fprintf(stderr, "cannot read the process of \"%s\"\n", title);
    return 1;
  }
  std::printf("pid %lu\n", static_cast<unsigned long>(pid));
  std::printf("handles %ld %s\n", figures.handles, figures.handleSource);
  std::printf("user_objects %ld %s\n", figures.userObjects, figures.userSource);
  std::printf("gdi_objects %ld %s\n", figures.gdiObjects, figures.gdiSource);
  std::printf("private_bytes %llu\n", figures.privateBytes);
  std::printf("working_set_bytes %llu\n", figures.workingSet);
  std::printf("peak_working_set_bytes %llu\n", figures.peakWorkingSet);
  std::printf("cpu_100ns %llu\n", figures.cpu100ns);
  CloseHandle(process);
  return 0;
}

// Counts the short messages in the driver's log from where it stopped the last time, reading what
// the driver has appended since; the log is shared for reading while the driver writes it.
struct LogReader {
  HANDLE file;
  unsigned long long messages;
  char partial[256];  // the start of a line whose end has not been read yet
  std::size_t partialLength;
};

void ReadNewLines(LogReader& log) {
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(log.file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    for (DWORD i = 0; i < read; ++i) {
      if (buffer[i] != '\n') {
        if (log.partialLength < sizeof log.partial - 1) log.partial[log.partialLength++] = buffer[i];
        continue;
      }
      log.partial[log.partialLength] = '\0';
      if (std::strstr(log.partial, " midiOutShortMsg ") != nullptr) ++log.messages;
      log.partialLength = 0;
    }
  }
}

bool WaitForLoggedMessages(LogReader& log, unsigned long long messages) {
  const ULONGLONG end = GetTickCount64() + DisplayTimeoutMs;
  for (;;) {
    ReadNewLines(log);
    if (log.messages >= messages) return true;
    if (GetTickCount64() > end) return false;
    Sleep(1);
  }
}

int Latency(long count, const char* logPath) {
  LogReader log{INVALID_HANDLE_VALUE, 0, {}, 0};
  if (logPath != nullptr) {
    log.file = CreateFileA(logPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log.file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "cannot read the log %s\n", logPath);
      return 1;
    }
    ReadNewLines(log);
  }
  Panel panel;
  if (!FindPanel(app::PanelTitle.data(), panel)) {
    std::fprintf(stderr, "no panel\n");
    return 1;
  }
  ReadValues(panel);
  for (long i = 0; i < count; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) % app::SliderCount;
    const std::int32_t value = OtherValue(panel.values[row]);
    WaitUntilIdle(panel, row);
    // Without a redraw the trackbar asks for no repaint, so nothing but the posted event can run a
    // pass that sees the change.
    SetSlider(panel, row, value, false);
    const ULONGLONG stamp = Microseconds();
    PostSliderEvent(panel, row, value);
    panel.values[row] = value;
    std::printf("stamp %llu %08lX\n", stamp,
                static_cast<unsigned long>(ControlChange(app::SliderTable[row].controller, value)));
    const bool arrived = logPath != nullptr ? WaitForLoggedMessages(log, log.messages + 1)
                                            : WaitForDisplay(panel.displays[row], value);
    if (!arrived) {
      std::printf("lost %ld\n", i);
      return 1;
    }
  }
  if (logPath != nullptr) CloseHandle(log.file);
  return 0;
}

void PrintSample(HANDLE process, DWORD pid, DWORD threadId, long changes) {
  ProcessFigures figures;
  if (!ReadProcess(process, pid, threadId, figures)) return;
  std::printf("sample %ld %ld %llu %llu %ld %ld\n", changes, figures.handles, figures.privateBytes,
              figures.workingSet, figures.userObjects, figures.gdiObjects);
  std::fflush(stdout);  // read while the run goes on, beside figures taken from outside
}

int Soak(long sliders, long presses, std::uint32_t seed, long samples) {
  Panel panel;
  if (!FindPanel(app::PanelTitle.data(), panel)) {
    std::fprintf(stderr, "no panel\n");
    return 1;
  }
  ReadValues(panel);
  DWORD pid, threadId;
  const HANDLE process = OpenWindowProcess(panel.window, pid, threadId);
  if (process == nullptr) {
    std::fprintf(stderr, "cannot open the panel's process\n");
    return 1;
  }
  randomState = seed;
  const long sampleEvery = samples > 0 && sliders / samples > 0 ? sliders / samples : sliders + 1;
  long pressed = 0;
  long lost = 0;
  long changes = 0;
  PrintSample(process, pid, threadId, 0);

  while (changes < sliders) {
    const std::size_t row = Random(app::SliderCount);
    const std::int32_t controller = app::SliderTable[row].controller;
    // About one step in fifty is a burst, never the last one: the run ends on a change that is
    // waited for.
    long length = 1;
    if (changes % 50 == 49) length = 2 + static_cast<long>(Random(5));
    if (length > 1 && changes + length >= sliders) length = 1;
    // Presses are spread evenly and all are posted before the last change, which is waited for.
    // A press may still come out after the slider change made next: a pass for an event waiting
    // ahead of the press (the last change's own event, when a repaint saw that change first) can
    // see the next change before the press's pass does.
    while (pressed < presses * (changes + length) / sliders) {
      const std::size_t index = Random(static_cast<std::uint32_t>(app::ButtonTable.size()));
      PostPress(panel, index);
      std::printf("press %08lX\n", static_cast<unsigned long>(ControlChange(app::ButtonTable[index].controller,
                                                                            app::ButtonTable[index].value)));
      ++pressed;
    }
    if (length > 1) {
      // Several positions before one event: the loop may send some of them, in order, and must
      // end with the last; each one differs from every other and from where the slider stood.
      std::int32_t positions[8];
      for (long k = 0; k < length; ++k) {
        std::int32_t value;
        bool fresh;
        do {
          value = static_cast<std::int32_t>(Random(128));
          fresh = value != panel.values[row];
          for (long j = 0; j < k; ++j) fresh = fresh && positions[j] != value;
        } while (!fresh);
        positions[k] = value;
        SetSlider(panel, row, value, true);
      }
      PostSliderEvent(panel, row, positions[length - 1]);
      panel.values[row] = positions[length - 1];
      std::printf("burst %ld ", static_cast<long>(controller));
      for (long k = 0; k < length; ++k) std::printf(k == 0 ? "%ld" : ",%ld", static_cast<long>(positions[k]));
      std::printf("\n");
    } else {
      const std::int32_t value = OtherValue(panel.values[row]);
      SetSlider(panel, row, value, true);
      PostSliderEvent(panel, row, value);
      panel.values[row] = value;
      std::printf("exact %08lX\n", static_cast<unsigned long>(ControlChange(controller, value)));
    }
    changes += length;
    // A change that never shows ends the run: every later one would wait out its time as well.
    if (!WaitForDisplay(panel.displays[row], panel.values[row])) {
      std::printf("lost %ld\n", changes);
      ++lost;
      break;
    }
    if (changes / sampleEvery != (changes - length) / sampleEvery || changes == sliders) {
      PrintSample(process, pid, threadId, changes);
    }
  }
  // One last look at every display.
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    char text[32];
    ReadText(panel.displays[row], text, sizeof text);
    std::printf("display %ld %ld %s\n", static_cast<long>(app::SliderTable[row].display),
                static_cast<long>(panel.values[row]), text);
  }
  std::printf("changes %ld\npresses %ld\nunanswered %ld\n", changes, pressed, lost);
  CloseHandle(process);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "usage") == 0) {
    return Usage(argc >= 3 ? argv[2] : app::PanelTitle.data());
  }
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "latency") == 0) {
    return Latency(std::atol(argv[2]), argc == 4 ? argv[3] : nullptr);
  }
  if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "soak") == 0 && std::atol(argv[2]) > 0) {
    return Soak(std::atol(argv[2]), std::atol(argv[3]), static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)),
                argc == 6 ? std::atol(argv[5]) : 20);
  }
  std::fprintf(stderr,
               "usage: poster usage [TITLE]\n"
               "       poster latency COUNT [LOG]\n"
               "       poster soak SLIDERS PRESSES SEED [SAMPLES]\n");
  return 2;
}
