// Drives the running program's panel from another process, as the trackbars and buttons would, and
// reads the figures of the program's process. For the benchmarks and the soak test. Each job has a
// file of its own: the panel driver (panel_driver.cpp, the soak), the latency probe
// (latency_probe.cpp) and the process reader (process_reader.cpp, usage and the soak's samples).
//
//   poster usage [TITLE]            the process behind the window TITLE (default: the panel): pid,
//                                   handles, USER and GDI objects, private bytes, working set and its
//                                   peak, CPU time
//                                   (Wine reports neither private bytes nor CPU time of another
//                                   process; bench.py reads those from /proc)
//   poster latency COUNT [LOG]      COUNT slider changes, each made while the panel is idle; prints
//                                   "stamp T MESSAGE" per change, T in QPC microseconds just before
//                                   the event is posted. Each change is waited for by asking the
//                                   value display for its text over and over, or, given the MIDI
//                                   driver's LOG, by reading the log once a millisecond, which sends
//                                   the program nothing while it works
//   poster soak SLIDERS PRESSES SEED [SAMPLES]
//                                   SLIDERS slider changes (about one step in fifty a burst of
//                                   several positions before one event) and PRESSES button presses,
//                                   in an order drawn from SEED; prints what must come out: presses
//                                   ("press MESSAGE") in order, slider changes ("exact MESSAGE",
//                                   "burst CONTROLLER V1,V2,...") in order, SAMPLES process
//                                   samples ("sample CHANGES HANDLES PRIVATE WORKINGSET USER GDI"),
//                                   and each value display ("display NUMBER VALUE TEXT"); it stops
//                                   at the first change whose display does not follow ("lost N")
//   poster appear TITLE CHILDREN    prints "ready", then waits, looking once a millisecond, until a
//                                   window TITLE with at least CHILDREN child windows is there, and
//                                   prints "found" (for the start-up figures: the caller times the
//                                   two lines; 1 after 60 s without it)
#include "tools/bench/poster.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

int Appear(const char* title, long children) {
  std::puts("ready");
  std::fflush(stdout);
  for (int round = 0; round < 60000; ++round) {
    const HWND window = FindWindowA(nullptr, title);
    long count = 0;
    if (window != nullptr) EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
    if (window != nullptr && count >= children) {
      std::puts("found");
      return 0;
    }
    Sleep(1);
  }
  return 1;
}

}  // namespace

using poster::Latency;
using poster::Soak;
using poster::Usage;

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "usage") == 0) {
    return Usage(argc >= 3 ? argv[2] : app::PanelTitle.data());
  }
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "latency") == 0) {
    return Latency(std::atol(argv[2]), argc == 4 ? argv[3] : nullptr);
  }
  if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "soak") == 0 && std::atol(argv[2]) > 0) {
    return Soak(std::atol(argv[2]), std::atol(argv[3]), static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)),
                argc == 6 ? std::atol(argv[5]) : 20);
  }
  if (argc == 4 && std::strcmp(argv[1], "appear") == 0) return Appear(argv[2], std::atol(argv[3]));
  std::fprintf(stderr,
               "usage: poster usage [TITLE]\n"
               "       poster appear TITLE CHILDREN\n"
               "       poster latency COUNT [LOG]\n"
               "       poster soak SLIDERS PRESSES SEED [SAMPLES]\n");
  return 2;
}
