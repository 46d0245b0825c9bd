// Times passes of the event loop over the real panel, in this process.
//
// The panel is built as at start-up, except that midiOutShortMsg is replaced by a recorder, so the
// figures are the loop's own work: fetching the event, reading the twelve sliders, sending and
// showing what changed. Each change is made the way the trackbar itself makes it (TBM_SETPOS, then
// WM_VSCROLL to the panel), one event per pass. After every timed pass the repaints that the
// change caused are handled by further passes, timed apart.
//
//   loop_bench [EVENTS]     EVENTS slider changes (default 120000), a tenth as many button presses
//
// Prints one "name value" line per figure, times in microseconds.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/event_loop.h"
#include "app/panel.h"
#include "app/state.h"
#include "app/panel_layout.h"
#include "midi/output.h"
#include "midi/winmm_api.h"
#include "runtime/heap.h"
#include "runtime/number.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace {

// Three bytes of 10 bits each at 31,250 baud.
constexpr double CableMicroseconds = 3.0 * 10.0 * 1e6 / 31250.0;

std::vector<DWORD> recorded;

MMRESULT WINAPI RecordShortMessage(HMIDIOUT, DWORD message) {
  recorded.push_back(message);
  return MMSYSERR_NOERROR;
}

LONGLONG frequency = 1;

LONGLONG Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

struct Samples {
  const char* name;
  std::vector<LONGLONG> ticks;
};

double Microseconds(LONGLONG ticks) { return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency); }

void Report(Samples& samples) {
  if (samples.ticks.empty()) return;
  std::vector<LONGLONG>& t = samples.ticks;
  std::sort(t.begin(), t.end());
  const std::size_t n = t.size();
  double total = 0;
  for (const LONGLONG v : t) total += Microseconds(v);
  std::printf("%s.count %zu\n", samples.name, n);
  std::printf("%s.median_us %.2f\n", samples.name, Microseconds(t[n / 2]));
  std::printf("%s.p99_us %.2f\n", samples.name, Microseconds(t[n * 99 / 100]));
  std::printf("%s.max_us %.2f\n", samples.name, Microseconds(t[n - 1]));
  std::printf("%s.mean_us %.2f\n", samples.name, total / static_cast<double>(n));
}

bool MessageWaiting() {
  MSG message;
  return PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

// Runs passes until nothing is waiting (the repaints a change leaves behind), timing each one.
void RunRepaintPasses(app::AppState& state, Samples& repaint) {
  while (MessageWaiting()) {
    const LONGLONG start = Now();
    app::RunLoopPass(state);
    repaint.ticks.push_back(Now() - start);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long events = argc > 1 ? std::atol(argv[1]) : 120000;
  if (events < 12) {
    std::fprintf(stderr, "usage: loop_bench [EVENTS >= 12]\n");
    return 2;
  }
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  frequency = f.QuadPart;

  const HINSTANCE instance = GetModuleHandleA(nullptr);
  app::ResetState();
  runtime::CreatePrivateHeap();
  ui::InitWindowLayer(instance);
  ui::InitControls(instance);
  app::AppState& state = app::State();
  state.ports.OutputNames[0] = "Bench Port";
  state.SelectedOutput = 0;
  state.ports.OutputHandle = reinterpret_cast<HMIDIOUT>(static_cast<INT_PTR>(0x1000));
  midi::Winmm().midiOutShortMsg = RecordShortMessage;
  app::BuildPanel(state);
  const HWND panel = ui::WindowHandle(app::PanelWindow);
  if (panel == nullptr) {
    std::fprintf(stderr, "the panel was not built\n");
    return 1;
  }
  recorded.reserve(static_cast<std::size_t>(events + events / 10 + 16));
  while (MessageWaiting()) app::RunLoopPass(state);  // the panel's first paint

  Samples change{"loop.slider_pass", {}};
  Samples press{"loop.button_pass", {}};
  Samples quiet{"loop.quiet_pass", {}};
  Samples repaint{"loop.repaint_pass", {}};
  Samples wholeChange{"loop.slider_change_with_repaints", {}};
  std::vector<DWORD> expected;
  expected.reserve(recorded.capacity());
  std::int32_t values[app::SliderCount] = {};

  // Slider changes, every tenth followed by a button press and a pass with nothing to do.
  for (long i = 0; i < events; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) % app::SliderCount;
    const app::SliderBinding& binding = app::SliderTable[row];
    const std::int32_t value = (values[row] + 1 + static_cast<std::int32_t>((i * 7919) % 126)) % 128;
    values[row] = value;
    const HWND slider = ui::ControlHandle(binding.slider);
    const LONGLONG changeStart = Now();
    SendMessageA(slider, TBM_SETPOS, TRUE, app::SliderMaximum - value);  // vertical: 0 at the bottom
    PostMessageA(panel, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, app::SliderMaximum - value),
                 reinterpret_cast<LPARAM>(slider));
    const LONGLONG start = Now();
    app::RunLoopPass(state);
    change.ticks.push_back(Now() - start);
    expected.push_back(midi::ShortMessage(app::ControlChange, binding.controller, value));
    RunRepaintPasses(state, repaint);
    wholeChange.ticks.push_back(Now() - changeStart);

    if (i % 10 == 9) {
      const app::ButtonAction& action = app::ButtonTable[static_cast<std::size_t>(i / 10) % app::ButtonTable.size()];
      const HWND button = ui::ControlHandle(action.button);
      PostMessageA(panel, WM_COMMAND, MAKEWPARAM(action.button, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      const LONGLONG pressStart = Now();
      app::RunLoopPass(state);
      press.ticks.push_back(Now() - pressStart);
      expected.push_back(midi::ShortMessage(app::ControlChange, action.controller, action.value));
      RunRepaintPasses(state, repaint);

      PostMessageA(panel, WM_NULL, 0, 0);
      const LONGLONG quietStart = Now();
      app::RunLoopPass(state);
      quiet.ticks.push_back(Now() - quietStart);
    }
  }

  const std::size_t sentByPasses = recorded.size();

  // The parts of a pass, each on its own.
  Samples fetch{"part.wait_event", {}};
  Samples reads{"part.read_12_sliders", {}};
  Samples read{"part.read_1_slider", {}};
  Samples send{"part.send_and_show_1_value", {}};
  for (long i = 0; i < events / 4; ++i) {
    PostMessageA(panel, WM_NULL, 0, 0);
    LONGLONG start = Now();
    ui::WaitEvent();
    fetch.ticks.push_back(Now() - start);

    std::int32_t sum = 0;
    start = Now();
    for (const app::SliderBinding& binding : app::SliderTable) sum += ui::GetControlState(binding.slider);
    reads.ticks.push_back(Now() - start);
    if (sum < 0) std::printf("impossible\n");

    start = Now();
    sum = ui::GetControlState(app::SliderTable[0].slider);
    read.ticks.push_back(Now() - start);

    const app::SliderBinding& binding = app::SliderTable[static_cast<std::size_t>(i) % app::SliderCount];
    start = Now();
    midi::SendShortMessage(state.ports, app::ControlChange, binding.controller, sum);
    runtime::Text shown = runtime::DecimalText((i % 2) != 0 ? 127 : 0);
    ui::SetControlText(binding.display, shown);
    send.ticks.push_back(Now() - start);
    RunRepaintPasses(state, repaint);
  }

  // What the loop sent against what the changes and presses called for.
  std::size_t mismatches = sentByPasses > expected.size() ? sentByPasses - expected.size()
                                                          : expected.size() - sentByPasses;
  for (std::size_t i = 0; i < expected.size() && i < sentByPasses; ++i) {
    if (recorded[i] != expected[i]) ++mismatches;
  }
  bool displaysMatch = true;
  for (std::size_t row = 0; row < app::SliderCount; ++row) {
    if (state.lastValues[row] != values[row]) displaysMatch = false;
  }

  std::printf("cable.control_change_us %.1f\n", CableMicroseconds);
  // Every timed pass: the slider changes, and for every tenth a press and a pass with nothing to do.
  std::printf("loop.events %ld\n", events + events / 10 * 2);
  Report(change);
  Report(press);
  Report(quiet);
  Report(repaint);
  Report(wholeChange);
  Report(fetch);
  Report(reads);
  Report(read);
  Report(send);
  std::printf("check.messages_expected %zu\n", expected.size());
  std::printf("check.messages_wrong_or_missing %zu\n", mismatches);
  std::printf("check.last_values_match %s\n", displaysMatch ? "yes" : "no");
  return mismatches == 0 && displaysMatch ? 0 : 1;
}
