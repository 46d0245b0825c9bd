#include "app/program.h"

#include "app/event_loop.h"
#include "app/panel.h"
#include "app/shutdown.h"
#include "app/state.h"
#include "dialogs/device_chooser.h"
#include "midi/fatal_error.h"
#include "midi/output.h"
#include "runtime/heap.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

void RunProgram(HINSTANCE instance) {
  ResetState();  // empty name tables, no handles, every slider last sent at 0
  runtime::CreateHeaps();
  ui::InitWindowLayer(instance);
  ui::InitControls(instance);
  midi::SetFatalErrorHandler(FatalError);  // the window layer is ready to show the box

  AppState& state = State();
  midi::EnumerateOutputDevices(state.ports);
  state.SelectedOutput = dialogs::ChooseOutputDevice(state.ports.OutputNames, state.deviceList);
  midi::OpenOutputDevice(state.ports, state.SelectedOutput);
  BuildPanel(state);
  RunEventLoop(state);
}

}  // namespace app
