#include "support.h"

#include <cstdio>

namespace uitest {

namespace {

constexpr int PumpRounds = 400;     // rounds of at most 25 ms each: ten seconds before a test gives up
constexpr DWORD RoundWaitMs = 25;
constexpr int SteadyForegroundRounds = 4;

BOOL CALLBACK DestroyStray(HWND window, LPARAM) {
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) DestroyWindow(window);
  return TRUE;
}

void SendOne(INPUT input) { SendInput(1, &input, sizeof input); }

}  // namespace

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void LayerTest::SetUp() {
  ui::InitWindowLayer(Instance());
  ui::InitControls(Instance());
}

void LayerTest::TearDown() {
  ui::CloseAllWindows();
  EnumWindows(DestroyStray, 0);  // windows a failed test left outside the layer
  DrainEvents();
}

std::vector<Fetched> DrainEvents() {
  std::vector<Fetched> fetched;
  for (ui::EventKind kind = ui::PollEvent(); kind != ui::NoEvent; kind = ui::PollEvent()) {
    fetched.push_back({kind, ui::EventControlNumber()});
  }
  return fetched;
}

bool PumpUntil(const std::function<bool()>& done, std::vector<Fetched>* fetched) {
  for (int round = 0; round < PumpRounds; ++round) {
    const std::vector<Fetched> events = DrainEvents();
    if (fetched != nullptr) fetched->insert(fetched->end(), events.begin(), events.end());
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, RoundWaitMs, QS_ALLINPUT);
  }
  if (done()) return true;
  // The caller's assertion names what was waited for; this says how long and what was seen last.
  char front[128] = {};
  GetWindowTextA(GetForegroundWindow(), front, sizeof front);
  std::fprintf(stderr, "PumpUntil: gave up after %d rounds of up to %lu ms; the window in front was \"%s\"", PumpRounds,
               static_cast<unsigned long>(RoundWaitMs), front);
  if (fetched != nullptr && !fetched->empty()) {
    std::fprintf(stderr, ", the last of %zu events kind %ld control %ld", fetched->size(),
                 static_cast<long>(fetched->back().kind), static_cast<long>(fetched->back().control));
  }
  std::fprintf(stderr, "\n");
  return false;
}

bool BringToFront(HWND window) {
  // Wine reports focus changes of the X server late, in the thread that owns the window, and they
  // can take the foreground away again; it counts once it has stayed for a few rounds.
  int steadyRounds = 0;
  return PumpUntil([window, &steadyRounds] {
    if (GetForegroundWindow() == window) return ++steadyRounds >= SteadyForegroundRounds;
    steadyRounds = 0;
    SetForegroundWindow(window);
    return false;
  });
}

POINT ScreenPoint(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return point;
}

void MoveMouseTo(POINT point) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
  input.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendOne(input);
}

void MouseButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendOne(input);
}

void KeyStroke(WORD key, bool shift) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  if (shift) {
    input.ki.wVk = VK_SHIFT;
    SendOne(input);
  }
  input.ki.wVk = key;
  input.ki.dwFlags = 0;
  SendOne(input);
  input.ki.dwFlags = KEYEVENTF_KEYUP;
  SendOne(input);
  if (shift) {
    input.ki.wVk = VK_SHIFT;
    SendOne(input);
  }
}

int Count(const std::vector<Fetched>& fetched, ui::EventKind kind, ui::ControlNumber control) {
  int count = 0;
  for (const Fetched& event : fetched) count += event.kind == kind && event.control == control;
  return count;
}

}  // namespace uitest
