// DLLs from the system's folder alone. Windows looks for a DLL that is not one of its KnownDLLs in
// the program's own folder first, where a stranger's file of the same name may lie (a downloads
// folder, a USB stick); the program imports KnownDLLs only and loads every other DLL through here.
#pragma once

#include <windows.h>

namespace runtime {

// The first thing the program does: where the system has SetDefaultDllDirectories (Windows 8 on,
// Windows 7 with KB2533623), every later load of the process, the system's own on its behalf
// included, searches the system's folder alone; and the current folder leaves the search.
void KeepDllSearchToSystemFolder();

// The DLL of that name from the system's folder only, or null; by its full path there where the
// system knows no search flags (Windows 7 without KB2533623), and before KeepDllSearchToSystemFolder.
// On 64-bit Windows a 32-bit program gets the 32-bit folder, by the system's own redirection.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The function of that name in the module, or null (also for a null module).
template <class Function>
bool FindFunction(Function& function, HMODULE module, const char* name) {
  const FARPROC found = module != nullptr ? GetProcAddress(module, name) : nullptr;
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
  return function != nullptr;
}

}  // namespace runtime
