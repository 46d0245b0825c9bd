#include "midi/device_list.h"

#include "runtime/number.h"

namespace midi {

void RaiseOpenFailure(std::string_view opening, std::int32_t index, const NameTable& names) {
  runtime::Text text(opening);
  text += runtime::DecimalText(index);
  text += "] nicht m\xF6glich";
  RaiseFatalError(text, FailureListText(names));
}

}  // namespace midi
