#include "dialogs/device_chooser.h"

#include "dialogs/text_dialog.h"
#include "runtime/number.h"

namespace dialogs {

std::int32_t ChooseOutputDevice(std::string_view listText) {
  const runtime::Text answer = AskText("Select the MIDI-OUT", listText, "2");
  return runtime::ReadNumber(answer);
}

}  // namespace dialogs
