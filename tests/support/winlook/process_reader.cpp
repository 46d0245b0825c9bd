// The process reader: the figures of the running program's process, read from another process:
// kernel handles, USER and GDI objects, private memory, working set and CPU time (winlook.cpp lists
// the verbs that print them).
//
// Windows counts USER and GDI objects per process (GetGuiResources) and its handles
// (GetProcessHandleCount), and those answers are taken wherever they are not 0. Wine answers all
// three with 0; there the reader falls back to the nearest honest measures: the process's handles as
// its entries in the system's handle table, USER objects as its windows, top-level and child (menus,
// accelerator tables and cursors cannot be seen from outside), and GDI objects as the used entries
// of the GDI handle table that Wine keeps in each process's memory, stock objects left out. That
// table is Wine's private layout, found through thread and process environment block offsets
// (GdiTableAddress): checked on Wine 8 (Debian's 8.0), with the 64-bit and the 32-bit program; later
// versions are yet to be checked. Where the table cannot be found or read the GDI count is -1, and
// the soak test fails it as a count that could not be read.
#include "tests/support/winlook/panel.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>

namespace winlook {

namespace {

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

}  // namespace

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

void PrintSample(HANDLE process, DWORD pid, DWORD threadId, long changes) {
  ProcessFigures figures;
  if (!ReadProcess(process, pid, threadId, figures)) return;
  std::printf("sample %ld %ld %llu %llu %ld %ld\n", changes, figures.handles, figures.privateBytes,
              figures.workingSet, figures.userObjects, figures.gdiObjects);
  std::fflush(stdout);  // read while the run goes on, beside figures taken from outside
}

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

}  // namespace winlook
