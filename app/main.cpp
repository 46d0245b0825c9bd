// The process entry of the GUI program. The command line is not read: the program has no options.
#include <windows.h>

#include "app/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { app::RunProgram(instance); }
