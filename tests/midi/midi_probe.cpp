// Drives the port layer against the system's winmm.dll (the stand-in, in the tests), for the process tests.
//   midi_probe list          lists the output and input devices ("out i = name", "in i = name")
//   midi_probe send INDEX    opens output INDEX, sends a Control Change and a SysEx, closes it
//   midi_probe thru OUT IN   opens output OUT and input IN and connects them
// A fatal error prints "fatal: " and the text, and ends the probe with exit code 3.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "midi/fatal_error.h"
#include "midi/input.h"
#include "midi/output.h"
#include "midi/winmm_api.h"
#include "runtime/heap.h"
#include "tests/support/printable.h"

namespace {

void PrintFatalError(std::string_view text, std::string_view systemText) {
  std::fputs("fatal: ", stdout);
  PrintEscaped(stdout, text);
  PrintEscaped(stdout, systemText);
  std::putchar('\n');
  std::fflush(stdout);
  ExitProcess(3);
}

void PrintNames(const char* side, const midi::NameTable& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    std::printf("%s %u = ", side, static_cast<unsigned>(i));
    PrintEscaped(stdout, names[i]);
    std::putchar('\n');
  }
}

}  // namespace

int main(int argc, char** argv) {
  runtime::CreatePrivateHeap();
  midi::SetFatalErrorHandler(PrintFatalError);
  midi::LoadWinmm();
  midi::Ports ports;
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "list") {
    midi::EnumerateOutputDevices(ports);
    midi::EnumerateInputDevices(ports);
    PrintNames("out", ports.OutputNames);
    PrintNames("in", ports.InputNames);
  } else if (command == "send" && argc == 3) {
    static const unsigned char identityRequest[] = {6, 0, 0, 0, 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    midi::EnumerateOutputDevices(ports);
    midi::OpenOutputDevice(ports, std::atoi(argv[2]));
    midi::SendShortMessage(ports, 0xB0, 12, 127);
    midi::SendSysEx(ports, identityRequest);
    midi::CloseOutputDevice(ports);
    std::puts("sent");
  } else if (command == "thru" && argc == 4) {
    midi::OpenOutputDevice(ports, std::atoi(argv[2]));
    midi::OpenInputDevice(ports, std::atoi(argv[3]));
    midi::ConnectInputToOutput(ports);
    std::puts("connected");
  } else {
    std::fputs("usage: midi_probe list | send INDEX | thru OUT IN\n", stderr);
    return 2;
  }
  return 0;
}
