#include "midi/names.h"

#include "runtime/number.h"

namespace midi {

namespace {
void AppendEntry(runtime::Text& list, std::size_t index, const runtime::Text& name, std::string_view ending) {
  list += runtime::DecimalText(static_cast<std::int32_t>(index));
  list += " = ";
  list += name;
  list += ending;
}
}  // namespace

runtime::Text CopyDeviceName(const char* field) {
  std::size_t length = 0;
  while (length < DeviceNameLength && field[length] != '\0') ++length;
  return runtime::Text(field, length);
}

runtime::Text FailureListText(const NameTable& names) {
  runtime::Text list = "\r\n";
  for (std::size_t i = 0; i < FailureListLength; ++i) {
    if (!names[i].empty()) AppendEntry(list, i, names[i], "\r\n");
  }
  return list;
}

runtime::Text ChooserListText(const NameTable& names) {
  runtime::Text list;
  std::size_t i = 0;
  do {
    AppendEntry(list, i, names[i], "\r");
    ++i;
  } while (i < names.size() && !names[i].empty());
  return list;
}

}  // namespace midi
