// Opens output 0 and input 0 and connects them the way the program would, with the program's own
// road out: a failure shows the "Error" box and ends the process through ExitProgram.
#include <windows.h>

#include <cstdio>

#include "app/shutdown.h"
#include "app/state.h"
#include "midi/fatal_error.h"
#include "midi/input.h"
#include "midi/output.h"
#include "midi/winmm_api.h"
#include "runtime/heap.h"
#include "ui/controls.h"
#include "ui/window.h"

int main() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  app::ResetState();
  runtime::CreatePrivateHeap();
  ui::InitWindowLayer(instance);
  ui::InitControls(instance);
  midi::SetFatalErrorHandler(app::FatalError);
  midi::LoadWinmm();
  midi::Ports& ports = app::State().ports;
  midi::OpenOutputDevice(ports, 0);
  midi::OpenInputDevice(ports, 0);
  midi::ConnectInputToOutput(ports);
  std::puts("connected");
  return 0;
}
