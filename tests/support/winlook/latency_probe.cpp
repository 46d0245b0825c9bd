// The latency probe: the time from a slider change posted to the running program to the driver's
// log line of the message it sent. The probe prints "stamp T MESSAGE" for each change, T in the
// driver's own clock just before it posts the event, and waits for it either by reading the
// driver's log, which sends the program nothing while it works, or by asking the value display.
#include "tests/support/winlook/panel.h"

#include <cstdio>
#include <cstring>

namespace winlook {

namespace {

// Microseconds of the performance counter, computed as the driver double computes its log times.
ULONGLONG Microseconds() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<ULONGLONG>(counter.QuadPart / frequency.QuadPart) * 1000000u +
         static_cast<ULONGLONG>(counter.QuadPart % frequency.QuadPart) * 1000000u /
             static_cast<ULONGLONG>(frequency.QuadPart);
}

// Counts the short messages in the driver's log from where it stopped the last time, reading what
// the driver has appended since; the log is shared for reading while the driver writes it.
struct LogReader {
  HANDLE file;
  unsigned long long messages;
  char partial[256];  // the start of a line whose end has not been read yet
  std::size_t partialLength;
};

void ReadNewLines(LogReader& log) {
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(log.file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    for (DWORD i = 0; i < read; ++i) {
      if (buffer[i] != '\n') {
        if (log.partialLength < sizeof log.partial - 1) log.partial[log.partialLength++] = buffer[i];
        continue;
      }
      log.partial[log.partialLength] = '\0';
      if (std::strstr(log.partial, " midiOutShortMsg ") != nullptr) ++log.messages;
      log.partialLength = 0;
    }
  }
}

bool WaitForLoggedMessages(LogReader& log, unsigned long long messages) {
  const ULONGLONG end = GetTickCount64() + DisplayTimeoutMs;
  for (;;) {
    ReadNewLines(log);
    if (log.messages >= messages) return true;
    if (GetTickCount64() > end) {
      std::fprintf(stderr, "winlook: gave up after %lu ms waiting for short message %llu in the driver's log; it had %llu\n",
                   static_cast<unsigned long>(DisplayTimeoutMs), messages, log.messages);
      return false;
    }
    Sleep(1);
  }
}

}  // namespace

int Latency(long count, const char* logPath) {
  LogReader log{INVALID_HANDLE_VALUE, 0, {}, 0};
  if (logPath != nullptr) {
    log.file = CreateFileA(logPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log.file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "cannot read the log %s\n", logPath);
      return 1;
    }
    ReadNewLines(log);
  }
  Panel panel;
  if (!FindPanel(app::PanelTitle.data(), panel)) {
    std::fprintf(stderr, "no panel\n");
    return 1;
  }
  ReadValues(panel);
  for (long i = 0; i < count; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) % app::SliderCount;
    const std::int32_t value = OtherValue(panel.values[row]);
    WaitUntilIdle(panel, row);
    // Without a redraw the trackbar asks for no repaint, so nothing but the posted event can run a
    // pass that sees the change.
    SetSlider(panel, row, value, false);
    const ULONGLONG stamp = Microseconds();
    PostSliderEvent(panel, row, value);
    panel.values[row] = value;
    std::printf("stamp %llu %08lX\n", stamp,
                static_cast<unsigned long>(ControlChange(app::SliderTable[row].controller, value)));
    const bool arrived = logPath != nullptr ? WaitForLoggedMessages(log, log.messages + 1)
                                            : WaitForDisplay(panel.displays[row], value);
    if (!arrived) {
      std::printf("lost %ld\n", i);
      return 1;
    }
  }
  if (logPath != nullptr) CloseHandle(log.file);
  return 0;
}

}  // namespace winlook
