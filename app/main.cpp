// The process entry of the GUI program. The command line is not read: the program has no options.
#include <windows.h>

#include "app/program.h"
#include "runtime/system_library.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  runtime::KeepDllSearchToSystemFolder();  // before anything could load a DLL
  app::RunProgram(instance);
}
