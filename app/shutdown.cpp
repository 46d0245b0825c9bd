#include "app/shutdown.h"

#include <windows.h>

#include "midi/sender.h"
#include "runtime/heap.h"
#include "ui/controls.h"
#include "ui/list_heap.h"
#include "ui/message_box.h"
#include "ui/window.h"

namespace app {

void ExitProgram() {
  ui::CloseAllWindows();
  ui::EndControls();
  // What waits for a working device goes out and the device is closed; a sender stuck in the
  // driver is left behind, so that the program still ends.
  midi::StopSender();
  ui::DestroyListHeap();  // the list heap first, then the private heap
  runtime::DestroyPrivateHeap();
  ExitProcess(0);
}

void FatalError(std::string_view text, std::string_view systemText) {
  ui::ShowMessage("Error", text, 0, systemText);
  ExitProgram();
}

}  // namespace app
