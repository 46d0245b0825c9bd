// The event stream under a user's hands: clicks, drags, the close box, the keyboard focus and Tab.
#include <algorithm>

#include "support.h"

#include <commctrl.h>

namespace {

using namespace uitest;

constexpr std::uint32_t PanelFlags = 0x00C80000;
constexpr std::uint32_t Vertical = 2;  // TBS_VERT
constexpr UINT Marker = WM_APP + 9;

// A small panel like the program's: a header, three slider columns with captions and value
// displays, and a row of buttons, created in the program's order.
HWND OpenPanel() {
  const HWND panel = ui::OpenNumberedWindow(0, 0, 0, 490, 225, PanelFlags, "Panel");
  if (panel == nullptr) return nullptr;
  ui::BeginControls(ui::WindowHandle(0));
  ui::CreateLabel(0, 25, 5, 320, 18, "---", 0x20001);
  for (int k = 1; k <= 3; ++k) ui::CreateSlider(k, 10 + 40 * (k - 1), 50, 30, 100, 0, 127, Vertical);
  for (int k = 11; k <= 13; ++k) ui::CreateLabel(k, 10 + 40 * (k - 11), 35, 35, 20, "16", 1);
  for (int k = 21; k <= 23; ++k) ui::CreateLabel(k, 10 + 40 * (k - 21), 150, 35, 20, "0", 0x20001);
  ui::CreatePushButton(50, 10, 175, 50, 20, "Perc OFF");
  ui::CreatePushButton(51, 70, 175, 50, 20, "Perc 4th");
  ui::CreatePushButton(52, 130, 175, 50, 20, "Perc 3rd");
  return panel;
}

bool Fetched513Before(const std::vector<Fetched>& fetched, ui::EventKind later, ui::ControlNumber control) {
  auto press = std::find_if(fetched.begin(), fetched.end(), [](const Fetched& e) { return e.kind == WM_LBUTTONDOWN; });
  auto event = std::find_if(fetched.begin(), fetched.end(),
                            [&](const Fetched& e) { return e.kind == later && e.control == control; });
  return press != fetched.end() && event != fetched.end() && press < event;
}

void Click(POINT point) {
  MoveMouseTo(point);
  MouseButton(true);
  MouseButton(false);
}

// A screen point on the close box of a window's caption, found by asking the window.
bool CloseBoxPoint(HWND window, POINT& point) {
  RECT r;
  GetWindowRect(window, &r);
  for (LONG y = r.top; y < r.top + 40; ++y) {
    for (LONG x = r.right - 1; x > r.right - 80; --x) {
      if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
        point = {x - 3, y + 3};
        return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)) == HTCLOSE;
      }
    }
  }
  return false;
}

class Input : public LayerTest {};

TEST_F(Input, ButtonClickGivesThePressAndOneControlEvent) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(BringToFront(panel));
  DrainEvents();
  std::vector<Fetched> fetched;
  Click(ScreenPoint(ui::ControlHandle(51), 25, 10));
  ASSERT_TRUE(PumpUntil([&] { return Count(fetched, ui::ControlEvent, 51) > 0; }, &fetched));
  PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, &fetched);
  EXPECT_EQ(Count(fetched, ui::ControlEvent, 51), 1);
  EXPECT_TRUE(Fetched513Before(fetched, ui::ControlEvent, 51));
  EXPECT_EQ(ui::EventWindowNumber(), 0);
}

TEST_F(Input, DraggingASliderReportsEveryStepWithItsNumber) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(BringToFront(panel));
  const HWND slider = ui::ControlHandle(2);
  EXPECT_EQ(ui::GetControlState(2), 0);
  RECT thumb;
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  POINT at = ScreenPoint(slider, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  DrainEvents();

  std::vector<Fetched> fetched;
  MoveMouseTo(at);
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return GetCapture() == slider; }, &fetched));
  for (int step = 0; step < 6; ++step) {  // up past the top of the track
    at.y -= 20;
    MoveMouseTo(at);
    const std::size_t before = fetched.size();
    PumpUntil([&] { return fetched.size() > before && GetQueueStatus(QS_INPUT) == 0; }, &fetched);
  }
  MouseButton(false);
  ASSERT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; }, &fetched));
  PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, &fetched);

  EXPECT_EQ(ui::GetControlState(2), 127);  // the thumb at the top
  EXPECT_GE(Count(fetched, ui::ControlEvent, 2), 3);  // several moves and the end of the drag
  EXPECT_EQ(Count(fetched, ui::ControlEvent, 1) + Count(fetched, ui::ControlEvent, 3), 0);
  EXPECT_EQ(ui::EventWindowNumber(), 0);  // the slider's top-level window
}

TEST_F(Input, CloseBoxGivesACloseEventThatNamesNoControl) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(BringToFront(panel));
  std::vector<Fetched> fetched;
  Click(ScreenPoint(ui::ControlHandle(50), 25, 10));
  ASSERT_TRUE(PumpUntil([&] { return Count(fetched, ui::ControlEvent, 50) > 0; }, &fetched));

  POINT closeBox;
  ASSERT_TRUE(CloseBoxPoint(panel, closeBox));
  fetched.clear();
  Click(closeBox);
  ASSERT_TRUE(PumpUntil([&] { return Count(fetched, ui::CloseEvent, ui::NoControlNumber) > 0; }, &fetched));
  EXPECT_TRUE(IsWindow(panel));
  EXPECT_EQ(ui::EventControlNumber(), ui::NoControlNumber);  // the press before does not come back
  ui::CloseNumberedWindow(0);
  EXPECT_FALSE(IsWindow(panel));
}

TEST_F(Input, TextFieldFocusGivesTwoControlEventsEachWay) {
  const HWND window = ui::OpenNumberedWindow(999, 0, 0, 357, 120, PanelFlags | 1, "Dialog");
  ASSERT_NE(window, nullptr);
  ui::BeginControls(window);
  ui::CreatePushButton(997, 288, 8, 60, 23, "OK", 1);
  ui::CreateTextField(999, 9, 92, 339, 20, "2", 0x44);
  ASSERT_TRUE(BringToFront(window));
  DrainEvents();

  std::vector<Fetched> fetched;
  Click(ScreenPoint(ui::ControlHandle(999), 100, 10));
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ui::ControlHandle(999) && Count(fetched, ui::ControlEvent, 999) >= 2; },
                        &fetched));
  PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, &fetched);
  EXPECT_EQ(Count(fetched, ui::ControlEvent, 999), 2);  // EN_SETFOCUS and the posted focus message

  fetched.clear();
  Click(ScreenPoint(ui::ControlHandle(997), 30, 11));
  ASSERT_TRUE(PumpUntil([&] { return Count(fetched, ui::ControlEvent, 997) > 0; }, &fetched));
  PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, &fetched);
  EXPECT_EQ(Count(fetched, ui::ControlEvent, 999), 2);  // EN_KILLFOCUS and the posted focus message
  EXPECT_EQ(Count(fetched, ui::ControlEvent, 997), 1);
}

TEST_F(Input, FocusGivenOutsideAFetchIsReportedTwice) {
  const HWND window = ui::OpenNumberedWindow(999, 0, 0, 357, 120, PanelFlags, "Dialog");
  ASSERT_NE(window, nullptr);
  ui::BeginControls(window);
  ui::CreateTextField(999, 9, 92, 339, 20, "", 0x44);
  ASSERT_TRUE(BringToFront(window));
  DrainEvents();
  PostMessageA(window, Marker, 0, 0);
  ui::FocusControl(999);  // EN_SETFOCUS is recorded now, before the marker is fetched
  EXPECT_EQ(ui::PollEvent(), ui::ControlEvent);
  EXPECT_EQ(ui::EventControlNumber(), 999);
  EXPECT_EQ(ui::PollEvent(), ui::ControlEvent);  // the posted focus message
  EXPECT_EQ(ui::EventControlNumber(), 999);
}

// Tab and Shift+Tab as the user presses them, with the focus followed after each key.
class Navigation : public LayerTest {
 protected:
  // Presses the key and gives the control number that has the focus afterwards.
  ui::ControlNumber Press(bool shift) {
    const HWND before = GetFocus();
    KeyStroke(VK_TAB, shift);
    PumpUntil([&] { return GetFocus() != before && GetQueueStatus(QS_INPUT) == 0; }, &fetched_);
    PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, &fetched_);
    const HWND focus = GetFocus();
    return focus != nullptr ? static_cast<ui::ControlNumber>(GetWindowLongPtrA(focus, GWLP_ID)) : -1;
  }

  int Fetches(ui::EventKind kind) const {
    return static_cast<int>(std::count_if(fetched_.begin(), fetched_.end(), [kind](const Fetched& e) { return e.kind == kind; }));
  }

  std::vector<Fetched> fetched_;
};

TEST_F(Navigation, TabWalksTheTabStopsInCreationOrderAndWraps) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(BringToFront(panel));
  ASSERT_TRUE(GetFocus() == nullptr || GetFocus() == panel);  // no control has the focus yet
  DrainEvents();

  for (const ui::ControlNumber expected : {1, 2, 3, 50, 51, 52, 1}) EXPECT_EQ(Press(false), expected);
  for (const ui::ControlNumber expected : {52, 51, 50, 3, 2, 1, 52}) EXPECT_EQ(Press(true), expected);
  EXPECT_GE(Fetches(WM_KEYDOWN), 14);
  EXPECT_EQ(Fetches(WM_CHAR), 0);  // a Tab that moved the focus is not typed
  EXPECT_EQ(Fetches(ui::ControlEvent), 0);
}

// The window whose focus Tab or Shift+Tab moved is told to show the focus rectangle, as the
// system's dialog manager tells its dialogs. What the window makes of it cannot be seen under Wine,
// which keeps no UI state and answers every WM_QUERYUISTATE with 0.
int focusShown = 0;

LRESULT CALLBACK NoteFocusShown(int code, WPARAM wParam, LPARAM lParam) {
  const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
  focusShown += code == HC_ACTION && sent.message == WM_CHANGEUISTATE && sent.hwnd == ui::WindowHandle(0) &&
                sent.wParam == MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Navigation, TabShowsTheFocusRectangle) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(BringToFront(panel));
  const HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, NoteFocusShown, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  for (const bool shift : {false, true}) {
    focusShown = 0;
    Press(shift);
    EXPECT_GT(focusShown, 0) << "shift " << shift;
  }
  UnhookWindowsHookEx(hook);
}

TEST_F(Navigation, DisabledAndHiddenControlsAreNoTabStops) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  EnableWindow(ui::ControlHandle(2), FALSE);
  ShowWindow(ui::ControlHandle(51), SW_HIDE);
  ui::BeginControls(panel);
  ui::CreateTextField(60, 200, 175, 80, 20, "", 0);
  ASSERT_TRUE(BringToFront(panel));
  ui::FocusControl(3);
  for (const ui::ControlNumber expected : {50, 52, 60, 1, 3}) EXPECT_EQ(Press(false), expected);
  EXPECT_EQ(Press(true), 1);
  EXPECT_EQ(Press(true), 60);
}

TEST_F(Navigation, FocusOnAControlThatIsNoTabStop) {
  const HWND panel = OpenPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(BringToFront(panel));
  SetFocus(ui::ControlHandle(12));  // a label
  KeyStroke(VK_TAB);
  PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, &fetched_);
  EXPECT_EQ(GetFocus(), ui::ControlHandle(12));  // Tab leaves it there
  EXPECT_EQ(Press(true), 52);                     // Shift+Tab goes round to the last tab stop
}

TEST_F(Navigation, RichEditKeepsAPlainTab) {
  ASSERT_NE(LoadLibraryA("riched20.dll"), nullptr);
  const HWND window = ui::OpenNumberedWindow(1, 0, 0, 300, 100, PanelFlags, "Rich");
  ASSERT_NE(window, nullptr);
  ui::BeginControls(window);
  ui::CreatePushButton(5, 10, 10, 60, 20, "OK");
  const HWND rich = CreateWindowExA(0, "RichEdit20A", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, 10, 40,
                                    200, 40, window, reinterpret_cast<HMENU>(6), Instance(), nullptr);
  ASSERT_NE(rich, nullptr);
  ASSERT_TRUE(BringToFront(window));
  SetFocus(rich);
  KeyStroke(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(rich) > 0; }, &fetched_));
  char text[8] = {};
  GetWindowTextA(rich, text, sizeof text);
  EXPECT_STREQ(text, "\t");
  EXPECT_EQ(GetFocus(), rich);
  EXPECT_EQ(Press(true), 5);  // Shift+Tab still navigates
}

}  // namespace
