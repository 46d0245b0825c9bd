// Prints the Control Changes in a driver log as a person reads them: controller, meaning, value.
//   midilog LOGFILE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/tables.h"

namespace {

std::string_view Meaning(unsigned controller, unsigned value) {
  for (const app::ButtonAction& action : app::ButtonTable) {
    if (static_cast<unsigned>(action.controller) == controller && static_cast<unsigned>(action.value) == value) {
      return action.meaning;
    }
  }
  for (const app::SliderBinding& binding : app::SliderTable) {
    if (static_cast<unsigned>(binding.controller) == controller) return binding.meaning;
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: midilog LOGFILE\n");
    return 2;
  }
  std::FILE* log = std::fopen(argv[1], "r");
  if (log == nullptr) {
    std::fprintf(stderr, "midilog: cannot read %s\n", argv[1]);
    return 1;
  }
  char line[1024];
  int count = 0;
  while (std::fgets(line, sizeof line, log) != nullptr) {
    if (std::strstr(line, " midiOutShortMsg ") == nullptr) continue;
    const char* field = std::strstr(line, " msg=");
    if (field == nullptr) continue;
    const unsigned long message = std::strtoul(field + 5, nullptr, 16);
    const unsigned status = message & 0xFF, controller = (message >> 8) & 0xFF, value = (message >> 16) & 0xFF;
    const std::string_view meaning = Meaning(controller, value);
    std::printf("%02X %3u %3u   channel %u, controller %-3u %-20.*s value %u\n", status, controller, value,
                (status & 0x0F) + 1, controller, static_cast<int>(meaning.size()), meaning.data(), value);
    ++count;
  }
  std::fclose(log);
  std::printf("%d Control Change message%s\n", count, count == 1 ? "" : "s");
  return 0;
}
