#include "runtime/system_library.h"

namespace runtime {

namespace {

// The search flags of LoadLibraryExW come with SetDefaultDllDirectories (Windows 8 on, Windows 7
// with KB2533623), which is looked up, not imported: the program still starts on a Windows 7
// without it.
bool searchFlagsKnown = false;

HMODULE LoadSystemLibraryByPath(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + static_cast<UINT>(lstrlenW(name)) >= MAX_PATH) return nullptr;
  lstrcatW(lstrcatW(path, L"\\"), name);
  // The altered search looks for the DLL's own dependencies in its folder, the system's.
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void KeepDllSearchToSystemFolder() {
  BOOL(WINAPI * setDefaultDirectories)(DWORD);
  searchFlagsKnown = FindFunction(setDefaultDirectories, GetModuleHandleW(L"kernel32"), "SetDefaultDllDirectories") &&
                     setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  return searchFlagsKnown ? LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) : LoadSystemLibraryByPath(name);
}

}  // namespace runtime
