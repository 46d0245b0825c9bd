#include "app/program.h"

#include "app/event_loop.h"
#include "app/panel.h"
#include "app/shutdown.h"
#include "app/state.h"
#include "app/panel_layout.h"
#include "dialogs/device_chooser.h"
#include "midi/fatal_error.h"
#include "midi/names.h"
#include "midi/output.h"
#include "midi/sender.h"
#include "midi/winmm_api.h"
#include "runtime/heap.h"
#include "ui/controls.h"
#include "ui/list_heap.h"
#include "ui/window.h"

namespace app {

namespace {

// The panel's window, for the sender thread's notices; set before the thread starts.
HWND panelWindow = nullptr;

void NoticeDeviceState() { ui::PostNotice(panelWindow); }

}  // namespace

void RunProgram(HINSTANCE instance) {
  ResetState();  // empty name tables, no handles, every slider last sent at 0
  runtime::CreatePrivateHeap();
  ui::CreateListHeap();
  ui::InitWindowLayer(instance);
  ui::InitControls(instance);
  midi::SetFatalErrorHandler(FatalError);  // the window layer is ready to show the box
  midi::LoadWinmm();

  AppState& state = State();
  midi::EnumerateOutputDevices(state.ports);
  state.deviceList = midi::ChooserListText(state.ports.OutputNames);
  state.SelectedOutput = dialogs::ChooseOutputDevice(state.deviceList);
  midi::OpenOutputDevice(state.ports, state.SelectedOutput);
  state.deviceName = midi::OutputDeviceName(state.ports, state.SelectedOutput);
  BuildPanel(state);
  // From here on the device belongs to the sender thread, which tells the panel when it is lost or
  // found again.
  panelWindow = ui::WindowHandle(PanelWindow);
  midi::StartSender(state.ports, state.SelectedOutput, state.deviceName, NoticeDeviceState);
  RunEventLoop(state);
}

}  // namespace app
