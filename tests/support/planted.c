/* A stranger's file of a system DLL's name (winmm.dll, oleacc.dll) that, loaded, only writes
 * "<its own path>.loaded". */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  WCHAR path[MAX_PATH + 8];
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcatW(path, L".loaded");
      CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    }
  }
  return TRUE;
}
