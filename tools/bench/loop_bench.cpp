// Times passes of the event loop over the real panel, in this process.
//
// The panel is built as at start-up and the sender thread started after it, as the program does,
// except that the device is a recorder of midiOutShortMsg, so the figures are the loop's own work:
// fetching the event, reading the twelve sliders, handing what changed to the sender and showing
// it. Each change is made the way the trackbar itself makes it (TBM_SETPOS, then WM_VSCROLL to the
// panel), each press the way a click makes it (BM_CLICK to the button, which sends BN_CLICKED to
// the panel itself), one event per pass. After every timed pass the repaints that the change caused
// are handled by further passes, timed apart.
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
#include "midi/sender.h"
#include "midi/winmm_api.h"
#include "runtime/heap.h"
#include "runtime/number.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace {

// Three bytes of 10 bits each at 31,250 baud.
constexpr double CableMicroseconds = 3.0 * 10.0 * 1e6 / 31250.0;

// What the sender thread handed to midiOutShortMsg, in order: room made before the first pass, so
// that recording costs the thread an interlocked increment and a store.
DWORD* recorded = nullptr;
LONG recordedRoom = 0;
volatile LONG recordedCount = 0;

MMRESULT WINAPI RecordShortMessage(HMIDIOUT, DWORD message) {
  const LONG slot = InterlockedIncrement(&recordedCount) - 1;
  if (slot < recordedRoom) recorded[slot] = message;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI CloseRecorder(HMIDIOUT) { return MMSYSERR_NOERROR; }

// The WinMM functions the panel's device gets, all set here: the sender thread sends through the
// recorder and closes it at the end; nothing else of WinMM is called while the device stays
// connected, which the recorder never denies.
void UseRecorderAsDevice() {
  midi::WinmmApi& winmm = midi::Winmm();
  winmm.midiOutShortMsg = RecordShortMessage;
  winmm.midiOutClose = CloseRecorder;
}

// The panel, for the sender's notices (it sends none while the device stays connected).
HWND panelWindow = nullptr;

void NoticeDeviceState() { ui::PostNotice(panelWindow); }

// Counts the messages of `sent` that the sender cannot have given out for `made`, and the
// controllers whose newest message never came. The sender keeps one waiting message per controller,
// and a newer one takes its place: so each controller's messages come out as some of those made for
// it, in the order made, ending with the newest. (Between controllers the order can change when a
// message takes a waiting one's place; the soak test checks that.)
std::size_t Mismatches(const std::vector<DWORD>& made, const DWORD* sent, std::size_t count) {
  constexpr std::size_t Keys = 16 * 128;
  std::vector<std::vector<DWORD>> madeFor(Keys);
  std::size_t wrong = 0;
  for (const DWORD message : made) {
    const int key = midi::ControllerKey(message);
    if (key < 0) ++wrong;  // the changes and presses make Control Changes alone
    else madeFor[static_cast<std::size_t>(key)].push_back(message);
  }
  std::vector<std::size_t> next(Keys, 0);  // per controller, the first message made that is still to come
  std::vector<DWORD> last(Keys, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const int key = midi::ControllerKey(sent[i]);
    if (key < 0) {
      ++wrong;
      continue;
    }
    const std::vector<DWORD>& messages = madeFor[static_cast<std::size_t>(key)];
    std::size_t n = next[static_cast<std::size_t>(key)];
    while (n < messages.size() && messages[n] != sent[i]) ++n;
    if (n == messages.size()) {
      ++wrong;  // not made, or not in the order made
      continue;
    }
    next[static_cast<std::size_t>(key)] = n + 1;
    last[static_cast<std::size_t>(key)] = sent[i];
  }
  for (std::size_t key = 0; key < Keys; ++key) {
    if (!madeFor[key].empty() && last[key] != madeFor[key].back()) ++wrong;
  }
  return wrong;
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
  state.deviceName = state.ports.OutputNames[0];
  state.ports.OutputHandle = reinterpret_cast<HMIDIOUT>(static_cast<INT_PTR>(0x1000));
  UseRecorderAsDevice();
  // Every pass's message and every send of the parts below, with room to spare.
  std::vector<DWORD> room(static_cast<std::size_t>(events + events / 10 + events / 4 + 16));
  recorded = room.data();
  recordedRoom = static_cast<LONG>(room.size());
  app::BuildPanel(state);
  const HWND panel = ui::WindowHandle(app::PanelWindow);
  if (panel == nullptr) {
    std::fprintf(stderr, "the panel was not built\n");
    return 1;
  }
  panelWindow = panel;
  midi::StartSender(state.ports, state.SelectedOutput, state.deviceName, NoticeDeviceState);
  while (MessageWaiting()) app::RunLoopPass(state);  // the panel's first paint

  Samples change{"loop.slider_pass", {}};
  Samples press{"loop.button_pass", {}};
  Samples quiet{"loop.quiet_pass", {}};
  Samples repaint{"loop.repaint_pass", {}};
  Samples wholeChange{"loop.slider_change_with_repaints", {}};
  std::vector<DWORD> expected;
  expected.reserve(room.size());
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
      PostMessageA(ui::ControlHandle(action.button), BM_CLICK, 0, 0);
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
    expected.push_back(midi::ShortMessage(app::ControlChange, binding.controller, sum));
    RunRepaintPasses(state, repaint);
  }

  // What the sender sent, once it has sent what waited and ended, against what the changes, the
  // presses and the parts called for.
  midi::StopSender();
  const LONG count = InterlockedCompareExchange(&recordedCount, 0, 0);
  std::size_t mismatches = Mismatches(expected, recorded, static_cast<std::size_t>(std::min(count, recordedRoom)));
  if (count > recordedRoom) mismatches += static_cast<std::size_t>(count - recordedRoom);
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
  std::printf("check.messages_sent %ld\n", static_cast<long>(count));
  // Messages that a newer one for the same controller took the place of while they waited.
  std::printf("check.messages_replaced_while_waiting %ld\n", static_cast<long>(expected.size()) - count);
  std::printf("check.messages_wrong_or_missing %zu\n", mismatches);
  std::printf("check.last_values_match %s\n", displaysMatch ? "yes" : "no");
  return mismatches == 0 && displaysMatch ? 0 : 1;
}
