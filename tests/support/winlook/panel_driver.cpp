// The panel driver: changes the running program's sliders and presses its buttons from another
// process, as its trackbars and buttons would, and waits for the panel to show each change. Its own
// verb is the soak, which prints what must come out: "press MESSAGE", "exact MESSAGE" and "burst
// CONTROLLER V1,V2,..." in order, SAMPLES lines "sample CHANGES HANDLES PRIVATE WORKINGSET USER GDI",
// each display's "display NUMBER VALUE TEXT", and "lost N" at a change whose display did not follow.
//
// A slider change is TBM_SETPOS on the trackbar and WM_VSCROLL posted to the panel with the trackbar
// as lParam; a press is BM_CLICK posted to the button, which then sends the panel its BN_CLICKED
// itself, inside the program, as after a click of the mouse. Each change waits until the column's
// value display shows the new value, so no change is made before the loop has sent the one before
// it. MESSAGE is the short message in hex as the driver logs it.
#include "tests/support/winlook/panel.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "midi/output.h"

namespace winlook {

namespace {

bool DisplayShows(HWND display, std::int32_t value) {
  char text[32];
  char wanted[16];
  ReadText(display, text, sizeof text);
  std::snprintf(wanted, sizeof wanted, "%ld", static_cast<long>(value));
  return std::strcmp(text, wanted) == 0;
}

// A small generator of its own, so that a seed gives the same run everywhere.
std::uint32_t randomState = 1;
std::uint32_t Random(std::uint32_t below) {
  randomState = randomState * 1664525u + 1013904223u;
  return (randomState >> 8) % below;
}

void PostPress(const Panel& panel, std::size_t index) { PostMessageA(panel.buttons[index], BM_CLICK, 0, 0); }

}  // namespace

bool FindPanel(const char* title, Panel& panel) {
  std::memset(&panel, 0, sizeof panel);
  panel.window = FindWindowA(nullptr, title);
  if (panel.window == nullptr) return false;
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    panel.sliders[row] = GetDlgItem(panel.window, app::SliderTable[row].slider);
    panel.displays[row] = GetDlgItem(panel.window, app::SliderTable[row].display);
    if (panel.sliders[row] == nullptr || panel.displays[row] == nullptr) return false;
  }
  for (std::size_t i = 0; i < app::ButtonTable.size(); ++i) {
    panel.buttons[i] = GetDlgItem(panel.window, app::ButtonTable[i].button);
    if (panel.buttons[i] == nullptr) return false;
  }
  return true;
}

// The window's text, asked of the window's own thread (WM_GETTEXT reaches controls of other
// processes; GetWindowText does not on Windows). Empty when the window does not answer.
void ReadText(HWND window, char* text, int size) {
  text[0] = '\0';
  DWORD_PTR length = 0;
  if (SendMessageTimeoutA(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, ReplyTimeoutMs, &length) == 0) {
    text[0] = '\0';
  }
}

// Waits until the display shows the value; false, said on stderr, if it never does.
bool WaitForDisplay(HWND display, std::int32_t value) {
  const ULONGLONG end = GetTickCount64() + DisplayTimeoutMs;
  while (!DisplayShows(display, value)) {
    if (GetTickCount64() > end) {
      char text[32];
      ReadText(display, text, sizeof text);
      std::fprintf(stderr, "winlook: gave up after %lu ms waiting for value display %ld to show %ld; it showed \"%s\"\n",
                   static_cast<unsigned long>(DisplayTimeoutMs), static_cast<long>(GetDlgCtrlID(display)),
                   static_cast<long>(value), text);
      return false;
    }
  }
  return true;
}

// Waits until the panel has nothing left to paint in the column and is back waiting for events:
// the repaint a change leaves behind is an event too, and would otherwise pick up the next change.
void WaitUntilIdle(const Panel& panel, std::size_t row) {
  const ULONGLONG end = GetTickCount64() + DisplayTimeoutMs;
  while (GetUpdateRect(panel.displays[row], nullptr, FALSE) || GetUpdateRect(panel.sliders[row], nullptr, FALSE)) {
    if (GetTickCount64() > end) {
      std::fprintf(stderr, "winlook: column %zu still had parts to paint after %lu ms; going on\n", row,
                   static_cast<unsigned long>(DisplayTimeoutMs));
      break;
    }
    Sleep(0);
  }
  DWORD_PTR ignored;
  SendMessageTimeoutA(panel.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &ignored);
}

// The displays show where the sliders stand; a run may follow other work on the same panel.
void ReadValues(Panel& panel) {
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    char text[32];
    ReadText(panel.displays[row], text, sizeof text);
    panel.values[row] = std::atoi(text);
  }
}

void SetSlider(const Panel& panel, std::size_t row, std::int32_t value, bool redraw) {
  DWORD_PTR ignored;
  // A vertical trackbar has its minimum at the top.
  SendMessageTimeoutA(panel.sliders[row], TBM_SETPOS, redraw ? TRUE : FALSE, app::SliderMaximum - value,
                      SMTO_ABORTIFHUNG, ReplyTimeoutMs, &ignored);
}

void PostSliderEvent(const Panel& panel, std::size_t row, std::int32_t value) {
  PostMessageA(panel.window, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, app::SliderMaximum - value),
               reinterpret_cast<LPARAM>(panel.sliders[row]));
}

DWORD ControlChange(std::int32_t controller, std::int32_t value) {
  return midi::ShortMessage(app::ControlChange, controller, value);
}

// A slider value other than the current one.
std::int32_t OtherValue(std::int32_t current) {
  return (current + 1 + static_cast<std::int32_t>(Random(127))) % 128;
}

int Soak(long sliders, long presses, std::uint32_t seed, long samples) {
  Panel panel;
  if (!FindPanel(app::PanelTitle.data(), panel)) {
    std::fprintf(stderr, "no panel\n");
    return 1;
  }
  ReadValues(panel);
  DWORD pid, threadId;
  const HANDLE process = OpenWindowProcess(panel.window, pid, threadId);
  if (process == nullptr) {
    std::fprintf(stderr, "cannot open the panel's process\n");
    return 1;
  }
  randomState = seed;
  const long sampleEvery = samples > 0 && sliders / samples > 0 ? sliders / samples : sliders + 1;
  long pressed = 0;
  long lost = 0;
  long changes = 0;
  PrintSample(process, pid, threadId, 0);

  while (changes < sliders) {
    const std::size_t row = Random(app::SliderCount);
    const std::int32_t controller = app::SliderTable[row].controller;
    // About one step in fifty is a burst, never the last one: the run ends on a change that is
    // waited for.
    long length = 1;
    if (changes % 50 == 49) length = 2 + static_cast<long>(Random(5));
    if (length > 1 && changes + length >= sliders) length = 1;
    // Presses are spread evenly and all are posted before the last change, which is waited for.
    // A press may still come out after the slider change made next: a pass for an event waiting
    // ahead of the press (the last change's own event, when a repaint saw that change first) can
    // see the next change before the press's pass does.
    while (pressed < presses * (changes + length) / sliders) {
      const std::size_t index = Random(static_cast<std::uint32_t>(app::ButtonTable.size()));
      PostPress(panel, index);
      std::printf("press %08lX\n", static_cast<unsigned long>(ControlChange(app::ButtonTable[index].controller,
                                                                            app::ButtonTable[index].value)));
      ++pressed;
    }
    if (length > 1) {
      // Several positions before one event: the loop may send some of them, in order, and must
      // end with the last; each one differs from every other and from where the slider stood.
      std::int32_t positions[8];
      for (long k = 0; k < length; ++k) {
        std::int32_t value;
        bool fresh;
        do {
          value = static_cast<std::int32_t>(Random(128));
          fresh = value != panel.values[row];
          for (long j = 0; j < k; ++j) fresh = fresh && positions[j] != value;
        } while (!fresh);
        positions[k] = value;
        SetSlider(panel, row, value, true);
      }
      PostSliderEvent(panel, row, positions[length - 1]);
      panel.values[row] = positions[length - 1];
      std::printf("burst %ld ", static_cast<long>(controller));
      for (long k = 0; k < length; ++k) std::printf(k == 0 ? "%ld" : ",%ld", static_cast<long>(positions[k]));
      std::printf("\n");
    } else {
      const std::int32_t value = OtherValue(panel.values[row]);
      SetSlider(panel, row, value, true);
      PostSliderEvent(panel, row, value);
      panel.values[row] = value;
      std::printf("exact %08lX\n", static_cast<unsigned long>(ControlChange(controller, value)));
    }
    changes += length;
    // A change that never shows ends the run: every later one would wait out its time as well.
    if (!WaitForDisplay(panel.displays[row], panel.values[row])) {
      std::printf("lost %ld\n", changes);
      ++lost;
      break;
    }
    if (changes / sampleEvery != (changes - length) / sampleEvery || changes == sliders) {
      PrintSample(process, pid, threadId, changes);
    }
  }
  // One last look at every display.
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    char text[32];
    ReadText(panel.displays[row], text, sizeof text);
    std::printf("display %ld %ld %s\n", static_cast<long>(app::SliderTable[row].display),
                static_cast<long>(panel.values[row]), text);
  }
  std::printf("changes %ld\npresses %ld\nunanswered %ld\n", changes, pressed, lost);
  CloseHandle(process);
  return 0;
}

}  // namespace winlook
