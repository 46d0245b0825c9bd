#include "runtime/names.h"

#include "runtime/number.h"

namespace runtime {

namespace {
void AppendEntry(Text& list, std::size_t index, const Text& name, std::string_view ending) {
  list += DecimalText(static_cast<std::int32_t>(index));
  list += " = ";
  list += name;
  list += ending;
}
}  // namespace

Text CopyDeviceName(const char* field) {
  std::size_t length = 0;
  while (length < DeviceNameLength && field[length] != '\0') ++length;
  return Text(field, length);
}

Text FailureListText(const NameTable& names) {
  Text list = "\r\n";
  for (std::size_t i = 0; i < FailureListLength; ++i) {
    if (!names[i].empty()) AppendEntry(list, i, names[i], "\r\n");
  }
  return list;
}

Text ChooserListText(const NameTable& names) {
  Text list;
  std::size_t i = 0;
  do {
    AppendEntry(list, i, names[i], "\r");
    ++i;
  } while (i < names.size() && !names[i].empty());
  return list;
}

}  // namespace runtime
