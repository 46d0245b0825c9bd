// What winlook's files share besides winlook.cpp: the verbs they answer, and the machinery of those
// that drive the running program: the panel driver (panel_driver.cpp), the latency probe
// (latency_probe.cpp) and the process reader (process_reader.cpp).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "app/panel_layout.h"

namespace winlook {

constexpr DWORD ReplyTimeoutMs = 5000;   // a panel that does not answer a message in this time has hung
constexpr DWORD DisplayTimeoutMs = 5000;  // a value display that does not change in this time stays wrong

// ---- the panel driver ----

struct Panel {
  HWND window;
  HWND sliders[app::SliderCount];
  HWND displays[app::SliderCount];
  HWND buttons[app::ButtonTable.size()];
  std::int32_t values[app::SliderCount];  // where each slider stands, as this side set it
};

bool FindPanel(const char* title, Panel& panel);
// The window's text, asked of the window's own thread; empty when the window does not answer.
void ReadText(HWND window, char* text, int size);
// Waits until the display shows the value; false, said on stderr, if it never does.
bool WaitForDisplay(HWND display, std::int32_t value);
// Waits until the panel has nothing left to paint in the column and is back waiting for events.
void WaitUntilIdle(const Panel& panel, std::size_t row);
// Reads where the sliders stand from their displays.
void ReadValues(Panel& panel);
void SetSlider(const Panel& panel, std::size_t row, std::int32_t value, bool redraw);
void PostSliderEvent(const Panel& panel, std::size_t row, std::int32_t value);
DWORD ControlChange(std::int32_t controller, std::int32_t value);
// A slider value other than the current one, from the driver's seeded generator.
std::int32_t OtherValue(std::int32_t current);

// ---- the process reader ----

struct ProcessFigures {
  long handles;
  const char* handleSource;
  long userObjects;
  const char* userSource;
  long gdiObjects;
  const char* gdiSource;
  unsigned long long privateBytes;
  unsigned long long workingSet;
  unsigned long long peakWorkingSet;
  unsigned long long cpu100ns;  // kernel and user time
};

bool ReadProcess(HANDLE process, DWORD pid, DWORD threadId, ProcessFigures& figures);
HANDLE OpenWindowProcess(HWND window, DWORD& pid, DWORD& threadId);
// Prints one "sample" line of the soak.
void PrintSample(HANDLE process, DWORD pid, DWORD threadId, long changes);

// ---- the verbs ----

int Usage(const char* title);                                            // process_reader.cpp
int Latency(long count, const char* logPath);                            // latency_probe.cpp
int Soak(long sliders, long presses, std::uint32_t seed, long samples);  // panel_driver.cpp

}  // namespace winlook

// Waits up to `timeout` ms for a message box titled `title` (any process of the session) that shows
// its message, prints "text: " and the message (printable.h) and "buttons: " and its buttons, and
// closes it with OK. Exit code 0 when a box came, 1 when none did (error_box.cpp).
int AnswerBox(const char* title, DWORD timeout);
