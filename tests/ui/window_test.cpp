// Numbered windows: placement, styles, the window table and the two event slots.
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <utility>

#include "support.h"
#include "ui/layer_info.h"
#include "ui/window_layer.h"

namespace {

using namespace uitest;

constexpr std::uint32_t PanelFlags = 0x00C80000;   // WS_CAPTION | WS_SYSMENU
constexpr std::uint32_t DialogFlags = 0x00C80001;  // the same, centred on the screen
constexpr UINT Marker = WM_APP + 7;

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

RECT OuterRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

// The outer size that a client area needs with the style of these flags.
SIZE OuterSize(int width, int height, std::uint32_t flags) {
  RECT r{0, 0, width, height};
  AdjustWindowRect(&r, (flags & ~3u) | WS_VISIBLE, FALSE);
  return {r.right - r.left, r.bottom - r.top};
}

bool ClassRegistered(const char* name) {
  WNDCLASSA wc;
  return GetClassInfoA(Instance(), name, &wc) != FALSE;
}

// Where a centred outer rectangle starts: each half rounded down, a size larger than the screen
// taken as the screen's.
LONG CentredStart(LONG outer, int screen) { return (screen >> 1) - ((outer < screen ? outer : screen) >> 1); }

class Windows : public LayerTest {};

TEST_F(Windows, PanelWindowHasTheExactClientSizeAndItsCornerAtTheScreenOrigin) {
  const HWND panel = ui::OpenNumberedWindow(0, 0, 0, 490, 225, PanelFlags, "Midi Drawbar box - for Karvello");
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(IsWindowVisible(panel));
  const SIZE client = ClientSize(panel);
  EXPECT_EQ(client.cx, 490);
  EXPECT_EQ(client.cy, 225);
  const RECT outer = OuterRect(panel);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  const DWORD style = GetWindowLongA(panel, GWL_STYLE);
  EXPECT_EQ(style & 0x10C80000u, 0x10C80000u);  // visible, caption, system menu
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(GetWindowLongA(panel, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
  EXPECT_EQ(ClassOf(panel), "WindowClass_0");
  char title[64] = {};
  GetWindowTextA(panel, title, sizeof title);
  EXPECT_STREQ(title, "Midi Drawbar box - for Karvello");
  EXPECT_EQ(ui::WindowHandle(0), panel);
  EXPECT_EQ(ui::CurrentWindowHandle(), panel);
}

TEST_F(Windows, DialogWindowIsCentredOnTheScreen) {
  const HWND dialog = ui::OpenNumberedWindow(999, 0, 0, 357, 120, DialogFlags, "Output device");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ui::WindowTableCapacity(), 1029);  // opened as the first window
  EXPECT_EQ(ClassOf(dialog), "WindowClass_999");
  const SIZE client = ClientSize(dialog);
  EXPECT_EQ(client.cx, 357);
  EXPECT_EQ(client.cy, 120);
  const RECT outer = OuterRect(dialog);
  EXPECT_EQ(outer.left, CentredStart(outer.right - outer.left, GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(outer.top, CentredStart(outer.bottom - outer.top, GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_GT(outer.left, 0);
}

TEST_F(Windows, WindowLargerThanTheScreenIsCentredFromTheScreenEdges) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const HWND wide = ui::OpenNumberedWindow(1, 0, 0, screenWidth + 101, screenHeight + 51, DialogFlags, "Wide");
  ASSERT_NE(wide, nullptr);
  const RECT outer = OuterRect(wide);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
}

// Runs on the narrow second screen of the test display, in a Wine session of its own
// (narrow_screen.sh); elsewhere it is skipped.
TEST(NarrowScreen, DialogWindowStartsAtTheLeftEdge) {
  if (std::getenv("DBB_NARROW_SCREEN") == nullptr) GTEST_SKIP() << "runs from narrow_screen.sh";
  ASSERT_LT(GetSystemMetrics(SM_CXSCREEN), 357);
  ui::InitWindowLayer(Instance());
  const HWND dialog = ui::OpenNumberedWindow(999, 0, 0, 357, 120, DialogFlags, "Output device");
  ASSERT_NE(dialog, nullptr);
  const RECT outer = OuterRect(dialog);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, CentredStart(outer.bottom - outer.top, GetSystemMetrics(SM_CYSCREEN)));
  ui::CloseAllWindows();
}

TEST_F(Windows, CentringOnTheActiveWindowStopsAtTheScreenOrigin) {
  const HWND big = ui::OpenNumberedWindow(1, 200, 150, 400, 300, PanelFlags, "Big");
  ASSERT_TRUE(BringToFront(big));
  // Both placement bits: the active window wins over the screen.
  const HWND centred = ui::OpenNumberedWindow(2, 0, 0, 201, 61, PanelFlags | 3, "Centred");
  ASSERT_NE(centred, nullptr);
  const RECT a = OuterRect(big);
  const RECT c = OuterRect(centred);
  const SIZE outer = OuterSize(201, 61, PanelFlags);
  EXPECT_EQ(c.left, a.left + ((a.right - a.left) >> 1) - (outer.cx >> 1));
  EXPECT_EQ(c.top, a.top + ((a.bottom - a.top) >> 1) - (outer.cy >> 1));

  const HWND small = ui::OpenNumberedWindow(3, 0, 0, 60, 30, PanelFlags, "Small");
  ASSERT_TRUE(BringToFront(small));
  const HWND larger = ui::OpenNumberedWindow(4, 0, 0, 500, 400, PanelFlags | 2, "Larger");
  ASSERT_NE(larger, nullptr);
  const RECT l = OuterRect(larger);
  EXPECT_EQ(l.left, 0);  // would be negative
  EXPECT_EQ(l.top, 0);
}

TEST_F(Windows, CentringOnTheActiveWindowWithoutOneCentresOnTheScreen) {
  ASSERT_EQ(GetActiveWindow(), nullptr);
  const HWND window = ui::OpenNumberedWindow(1, 0, 0, 300, 100, PanelFlags | 2, "Alone");
  ASSERT_NE(window, nullptr);
  const RECT r = OuterRect(window);
  EXPECT_EQ(r.left, CentredStart(r.right - r.left, GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(r.top, CentredStart(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN)));
}

TEST_F(Windows, FlagsBecomeTheStyle) {
  const HWND bare = ui::OpenNumberedWindow(1, 10, 10, 100, 50, 0, "Bare");
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(GetWindowLongA(bare, GWL_STYLE) & (WS_CAPTION | WS_VISIBLE | WS_SYSMENU),
            static_cast<LONG>(WS_CAPTION | WS_VISIBLE));

  const HWND hiddenBare = ui::OpenNumberedWindow(2, 10, 10, 100, 50, ui::CreateHidden, "Hidden");
  ASSERT_NE(hiddenBare, nullptr);
  EXPECT_FALSE(IsWindowVisible(hiddenBare));
  EXPECT_EQ(GetWindowLongA(hiddenBare, GWL_STYLE) & WS_CAPTION, static_cast<LONG>(WS_CAPTION));

  const HWND hidden = ui::OpenNumberedWindow(3, 10, 10, 100, 50, PanelFlags | ui::CreateHidden, "Hidden");
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(IsWindowVisible(hidden));

  const HWND maximised = ui::OpenNumberedWindow(4, 10, 10, 100, 50, PanelFlags | WS_MAXIMIZE, "Max");
  ASSERT_NE(maximised, nullptr);
  EXPECT_TRUE(IsZoomed(maximised));

  const HWND hiddenMaximised = ui::OpenNumberedWindow(5, 10, 10, 100, 50, PanelFlags | WS_MAXIMIZE | ui::CreateHidden, "");
  ASSERT_NE(hiddenMaximised, nullptr);
  EXPECT_FALSE(IsWindowVisible(hiddenMaximised));
}

TEST_F(Windows, ReopeningANumberReplacesItsWindow) {
  const HWND first = ui::OpenNumberedWindow(5, 0, 0, 100, 50, PanelFlags, "First");
  ASSERT_NE(first, nullptr);
  const HWND second = ui::OpenNumberedWindow(5, 0, 0, 100, 50, PanelFlags, "Second");
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(ui::WindowHandle(5), second);
  EXPECT_EQ(ClassOf(second), "WindowClass_5");
}

TEST_F(Windows, ClosingFreesTheNumberAndItsClass) {
  const HWND window = ui::OpenNumberedWindow(5, 0, 0, 100, 50, PanelFlags, "Five");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(ClassRegistered("WindowClass_5"));
  ui::CloseNumberedWindow(5);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ui::WindowHandle(5), nullptr);
  EXPECT_FALSE(ClassRegistered("WindowClass_5"));
  EXPECT_EQ(ui::CurrentWindowHandle(), window);  // closing leaves the current window alone
  ui::CloseNumberedWindow(5);                     // nothing left to close
  ui::CloseNumberedWindow(6);
}

TEST_F(Windows, CloseAllWindowsClosesNumberedAndAutomaticWindows) {
  const HWND zero = ui::OpenNumberedWindow(0, 0, 0, 100, 50, PanelFlags, "0");
  const HWND high = ui::OpenNumberedWindow(40, 0, 0, 100, 50, PanelFlags, "40");
  const auto automatic = static_cast<ui::WindowNumber>(
      reinterpret_cast<INT_PTR>(ui::OpenNumberedWindow(ui::AutoWindowNumber, 0, 0, 100, 50, PanelFlags, "A")));
  const HWND automaticWindow = ui::WindowHandle(automatic);
  ASSERT_NE(automaticWindow, nullptr);
  ui::CloseAllWindows();
  EXPECT_FALSE(IsWindow(zero));
  EXPECT_FALSE(IsWindow(high));
  EXPECT_FALSE(IsWindow(automaticWindow));
  EXPECT_EQ(ui::AutomaticWindowCount(), 0);
  EXPECT_EQ(ui::WindowHandle(40), nullptr);
}

TEST_F(Windows, TableGrowsToThirtyBeyondTheNumberAndNeverShrinks) {
  EXPECT_EQ(ui::WindowTableCapacity(), 10);
  ASSERT_NE(ui::OpenNumberedWindow(9, 0, 0, 50, 50, PanelFlags, ""), nullptr);
  EXPECT_EQ(ui::WindowTableCapacity(), 10);
  ASSERT_NE(ui::OpenNumberedWindow(10, 0, 0, 50, 50, PanelFlags, ""), nullptr);  // equal to the capacity
  EXPECT_EQ(ui::WindowTableCapacity(), 40);
  ui::CloseAllWindows();
  EXPECT_EQ(ui::WindowTableCapacity(), 40);
  EXPECT_NE(ui::OpenNumberedWindow(999, 0, 0, 50, 50, PanelFlags, ""), nullptr);
  EXPECT_EQ(ui::WindowTableCapacity(), 1029);
}

TEST_F(Windows, NumbersOutsideTheTableAreRefused) {
  for (const ui::WindowNumber number :
       {-2, -10000, std::numeric_limits<std::int32_t>::min(), ui::LargestNumber + 1,
        std::numeric_limits<std::int32_t>::max() - 1, std::numeric_limits<std::int32_t>::max()}) {
    EXPECT_EQ(ui::OpenNumberedWindow(number, 0, 0, 50, 50, PanelFlags, "No"), nullptr) << number;
    EXPECT_EQ(ui::WindowHandle(number), nullptr);
    ui::CloseNumberedWindow(number);
  }
  EXPECT_EQ(ui::WindowTableCapacity(), 10);
  EXPECT_EQ(ui::AutomaticWindowCount(), 0);
  EXPECT_EQ(ui::CurrentWindowHandle(), nullptr);
  EXPECT_EQ(ui::WindowHandle(11), nullptr);  // beyond the capacity, never opened

  EXPECT_NE(ui::OpenNumberedWindow(ui::LargestNumber, 0, 0, 50, 50, PanelFlags, "Last"), nullptr);
  EXPECT_EQ(ui::WindowTableCapacity(), ui::LargestNumber + 30);
}

TEST_F(Windows, FailedCreationLeavesTheNumberFreeAndTheCurrentWindowAsItWas) {
  const HWND first = ui::OpenNumberedWindow(1, 0, 0, 50, 50, PanelFlags, "First");
  ASSERT_NE(first, nullptr);
  // A child window without a parent cannot be made.
  EXPECT_EQ(ui::OpenNumberedWindow(2, 0, 0, 50, 50, WS_CHILD, "Child"), nullptr);
  EXPECT_EQ(ui::WindowHandle(2), nullptr);
  EXPECT_EQ(ui::OpenNumberedWindow(ui::AutoWindowNumber, 0, 0, 50, 50, WS_CHILD, "Child"), nullptr);
  EXPECT_EQ(ui::AutomaticWindowCount(), 0);
  EXPECT_EQ(ui::CurrentWindowHandle(), first);
}

TEST_F(Windows, SelectWindowSetsTheCurrentWindow) {
  EXPECT_EQ(ui::CurrentWindowHandle(), nullptr);
  const HWND zero = ui::OpenNumberedWindow(0, 0, 0, 50, 50, PanelFlags, "0");
  const HWND one = ui::OpenNumberedWindow(1, 0, 0, 50, 50, PanelFlags, "1");
  EXPECT_EQ(ui::CurrentWindowHandle(), one);
  EXPECT_EQ(ui::SelectWindow(0), zero);
  EXPECT_EQ(ui::CurrentWindowHandle(), zero);
  EXPECT_EQ(ui::SelectWindow(7), nullptr);
  EXPECT_EQ(ui::CurrentWindowHandle(), nullptr);
  EXPECT_EQ(ui::SelectWindow(-1), nullptr);
}

TEST_F(Windows, AutomaticWindowsGetNumbersOutsideTheTable) {
  const auto first = static_cast<ui::WindowNumber>(
      reinterpret_cast<INT_PTR>(ui::OpenNumberedWindow(ui::AutoWindowNumber, 0, 0, 50, 50, PanelFlags, "A")));
  const auto second = static_cast<ui::WindowNumber>(
      reinterpret_cast<INT_PTR>(ui::OpenNumberedWindow(ui::AutoWindowNumber, 0, 0, 50, 50, PanelFlags, "B")));
  EXPECT_LT(first, -1);
  EXPECT_LT(second, -1);
  EXPECT_NE(first, second);
  const HWND window = ui::WindowHandle(first);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), "WindowClass_" + std::to_string(first));
  EXPECT_EQ(ui::AutomaticWindowCount(), 2);
  EXPECT_EQ(ui::WindowTableCapacity(), 10);

  SendMessageA(window, WM_MOVE, 0, 0);
  EXPECT_EQ(ui::EventWindowNumber(), first);

  ui::CloseNumberedWindow(first);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ui::WindowHandle(first), nullptr);
  EXPECT_EQ(ui::AutomaticWindowCount(), 1);
}

class Events : public LayerTest {};

TEST_F(Events, PollEventGivesZeroWhenNothingIsWaiting) {
  DrainEvents();
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);
  const HWND window = ui::OpenNumberedWindow(0, 0, 0, 100, 50, PanelFlags, "0");
  ASSERT_NE(window, nullptr);
  DrainEvents();
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);
}

TEST_F(Events, ActivationIsDeliveredFirstWithoutFetching) {
  const HWND first = ui::OpenNumberedWindow(3, 0, 0, 100, 50, PanelFlags, "3");
  const HWND second = ui::OpenNumberedWindow(4, 200, 0, 100, 50, PanelFlags, "4");
  ASSERT_TRUE(BringToFront(second));
  DrainEvents();

  PostMessageA(second, Marker, 0, 0);
  SendMessageA(second, WM_MOVE, 0, 0);  // a pending kind, discarded by the deferred delivery
  SetActiveWindow(first);
  ASSERT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(ui::PollEvent(), ui::ActivateEvent);
  EXPECT_EQ(ui::EventWindowNumber(), 3);
  EXPECT_EQ(ui::PollEvent(), static_cast<ui::EventKind>(Marker));  // the queue was left untouched
  EXPECT_EQ(ui::EventWindowNumber(), 4);
}

TEST_F(Events, MinimisingAndDeactivatingDeferNothing) {
  const HWND window = ui::OpenNumberedWindow(2, 0, 0, 100, 50, PanelFlags, "2");
  ASSERT_NE(window, nullptr);
  DrainEvents();
  SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);
  SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);
  SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 50));
  EXPECT_EQ(ui::PollEvent(), ui::SizeEvent);
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);
}

TEST_F(Events, SliderEventsBelongToTheSlidersTopLevelWindow) {
  const HWND first = ui::OpenNumberedWindow(1, 0, 0, 200, 150, PanelFlags, "1");
  const HWND second = ui::OpenNumberedWindow(2, 300, 0, 200, 150, PanelFlags, "2");
  ui::BeginControls(second);
  const HWND slider = ui::CreateSlider(17, 10, 10, 30, 100, 0, 127, 2);
  ASSERT_NE(slider, nullptr);
  DrainEvents();
  // Delivered to the first window, as a container forwarding its child's scroll would.
  SendMessageA(first, WM_VSCROLL, SB_THUMBTRACK, reinterpret_cast<LPARAM>(slider));
  EXPECT_EQ(ui::EventWindowNumber(), 2);
  EXPECT_EQ(ui::EventControlNumber(), 17);
  PostMessageA(first, Marker, 0, 0);
  EXPECT_EQ(ui::PollEvent(), ui::ControlEvent);
}

TEST_F(Events, KindRecordedOutsideAFetchIsReturnedByTheNext) {
  const HWND window = ui::OpenNumberedWindow(0, 0, 0, 100, 50, PanelFlags, "0");
  ASSERT_NE(window, nullptr);
  DrainEvents();
  SendMessageA(window, WM_MOVE, 0, 0);
  PostMessageA(window, Marker, 0, 0);
  EXPECT_EQ(ui::PollEvent(), ui::MoveEvent);  // in place of the marker's identifier
  EXPECT_EQ(ui::PollEvent(), ui::NoEvent);

  PostMessageA(window, Marker, 0, 0);
  EXPECT_EQ(ui::WaitEvent(), static_cast<ui::EventKind>(Marker));
}

TEST_F(Events, CloseRequestsLeaveTheWindowOpen) {
  const HWND window = ui::OpenNumberedWindow(0, 0, 0, 100, 50, PanelFlags, "0");
  ASSERT_NE(window, nullptr);
  DrainEvents();
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ui::PollEvent(), ui::CloseEvent);
  EXPECT_TRUE(IsWindow(window));
  // Close on the system menu goes through the default processing, which asks with WM_CLOSE.
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(ui::PollEvent(), ui::CloseEvent);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(ui::WindowHandle(0), window);
  EXPECT_EQ(ui::EventWindowNumber(), 0);
}

TEST_F(Events, CommandsFromMenusAndAcceleratorsCarryTheirIdentifier) {
  const HWND window = ui::OpenNumberedWindow(0, 0, 0, 100, 50, PanelFlags, "0");
  ASSERT_NE(window, nullptr);
  DrainEvents();
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(4321, 0), 0);
  EXPECT_EQ(ui::PollEvent(), ui::CommandEvent);
  EXPECT_EQ(ui::EventControlNumber(), 4321);
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(77, 1), 0);
  EXPECT_EQ(ui::PollEvent(), ui::CommandEvent);
  EXPECT_EQ(ui::EventControlNumber(), 77);
}

TEST_F(Events, EventWindowNumberIsMinusOneForWindowsOutsideTheTable) {
  EXPECT_EQ(ui::EventWindowNumber(), -1);
  EXPECT_EQ(ui::EventControlNumber(), ui::NoControlNumber);
  const HWND window = ui::OpenNumberedWindow(6, 0, 0, 100, 50, PanelFlags, "6");
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_MOVE, 0, 0);
  EXPECT_EQ(ui::EventWindowNumber(), 6);
  ui::CloseNumberedWindow(6);
  EXPECT_EQ(ui::EventWindowNumber(), -1);  // its last message named a window no longer in the table
}

// The layer's seam: the window's screen at the test's DPI, its frame as Wine draws it, at 96 DPI.
UINT screenDpi = USER_DEFAULT_SCREEN_DPI;
UINT WINAPI ScreenDpi(HWND) { return screenDpi; }
BOOL WINAPI WinesFrame(RECT* r, DWORD style, BOOL menu, DWORD exStyle, UINT) { return AdjustWindowRectEx(r, style, menu, exStyle); }

// Tells the window of 96 DPI while it moves for another, as when that move takes it to a third screen.
HWND moving = nullptr;
LRESULT CALLBACK TellOf96WhileMoving(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  RECT there = OuterRect(call->hwnd);
  if (call->message == WM_WINDOWPOSCHANGED && call->hwnd == std::exchange(moving, nullptr)) SendMessageA(call->hwnd, WM_DPICHANGED, 96, reinterpret_cast<LPARAM>(&there));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Layout at other DPIs: the layer hears of a new DPI as from the system, by WM_DPICHANGED.
class Dpi : public LayerTest, public testing::WithParamInterface<int> {
 protected:
  static constexpr RECT Places[3] = {{25, 5, 320, 18}, {10, 50, 30, 100}, {190, 175, 50, 20}};  // x, y, w, h

  // Tells the window of the DPI (unless it was told) and checks that it took the suggested rectangle,
  // and that each control stands at its 96-DPI place scaled, in DEFAULT_GUI_FONT made for the DPI.
  HFONT ChangeTo(int dpi, bool tell = true) {
    RECT suggested{dpi, dpi / 2, dpi + MulDiv(500, dpi, 96), dpi / 2 + MulDiv(260, dpi, 96)}, outer;
    if (tell) SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(!tell || EqualRect(&(outer = OuterRect(window_)), &suggested)) << dpi;
    const auto font = reinterpret_cast<HFONT>(SendMessageA(controls_[2], WM_GETFONT, 0, 0));
    LOGFONTA stock, made{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    GetObjectA(font, sizeof made, &made);
    EXPECT_EQ(made.lfHeight, MulDiv(stock.lfHeight, dpi, 96)) << dpi;
    EXPECT_STREQ(made.lfFaceName, stock.lfFaceName);
    for (int i = 0; i < 3; ++i) {
      const auto [x, y, w, h] = Places[i];
      RECT r = OuterRect(controls_[i]), at{MulDiv(x, dpi, 96), MulDiv(y, dpi, 96), 0, 0};
      at.right = at.left + MulDiv(w, dpi, 96), at.bottom = at.top + MulDiv(h, dpi, 96);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
      EXPECT_TRUE(EqualRect(&r, &at)) << dpi << ", control " << i << " at " << r.left << "," << r.top;
    }
    EXPECT_EQ(SendMessageA(controls_[0], WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    return font;
  }

  void SetUp() override {
    LayerTest::SetUp();
    ui::BeginControls(window_ = ui::OpenNumberedWindow(0, 0, 0, 490, 225, PanelFlags, "Panel"));
    controls_[0] = ui::CreateLabel(1, 25, 5, 320, 18, "Gamma Box", ui::ClientEdgeFlag);
    controls_[1] = ui::CreateSlider(2, 10, 50, 30, 100, 0, 127, 2);
    controls_[2] = ui::CreatePushButton(3, 190, 175, 50, 20, "Les.ON");
  }

  HWND window_ = nullptr;
  HWND controls_[3] = {};
};

TEST_P(Dpi, ChangeLaysTheWindowOutForTheNewDpiAndBack) {
  ChangeTo(GetParam());
  EXPECT_EQ(ui::WindowDpi(controls_[1]), static_cast<UINT>(GetParam()));
  controls_[2] = ui::CreatePushButton(3, 190, 175, 50, 20, "Les.ON");  // made at the window's DPI too
  ChangeTo(GetParam(), false);
  EXPECT_EQ(ChangeTo(96), GetStockObject(DEFAULT_GUI_FONT));

  RECT away{0, 0, 500, 300};
  moving = window_;  // a move for this DPI that ends on a screen of 96: laid out for that one
  const HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, TellOf96WhileMoving, nullptr, GetCurrentThreadId());
  SendMessageA(window_, WM_DPICHANGED, GetParam(), reinterpret_cast<LPARAM>(&away));
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(ChangeTo(96, false), GetStockObject(DEFAULT_GUI_FONT));
}

// Opened on a screen of the DPI, the dialog is centred by its final size; about to move there, the
// panel at 144 DPI asks for the size of the rule (at 192: 450 high, not 338 scaled, 451). Posted,
// neither message changes a window.
TEST_P(Dpi, OpenedOrMovedThereAWindowHasTheSizeOfTheRule) {
  const UINT dpi = screenDpi = GetParam();
  ui::windowLayer.dpiForWindow = ScreenDpi;
  ui::windowLayer.adjustWindowRectExForDpi = WinesFrame;
  const HWND dialog = ui::OpenNumberedWindow(999, 0, 0, 357, 120, DialogFlags, "Output device");
  const RECT outer = OuterRect(dialog);
  const SIZE client = ClientSize(dialog);
  EXPECT_EQ(std::pair(client.cx, client.cy), std::pair(LONG{ui::ScaleToDpi(357, dpi)}, LONG{ui::ScaleToDpi(120, dpi)}));
  EXPECT_EQ(outer.left, CentredStart(outer.right - outer.left, GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(outer.top, CentredStart(outer.bottom - outer.top, GetSystemMetrics(SM_CYSCREEN)));
  ChangeTo(144);
  const SIZE wanted = OuterSize(ui::ScaleToDpi(490, dpi), ui::ScaleToDpi(225, dpi), PanelFlags);
  SIZE asked{};
  EXPECT_TRUE(SendMessageA(window_, ui::GetDpiScaledSizeMessage, dpi, reinterpret_cast<LPARAM>(&asked)));
  EXPECT_EQ(std::pair(asked.cx, asked.cy), std::pair(wanted.cx, wanted.cy));
  for (const HWND window : {dialog, window_}) PostMessageA(window, WM_DPICHANGED, 192, 0);
  DrainEvents();
  EXPECT_EQ(std::pair(ui::WindowDpi(dialog), ui::WindowDpi(window_)), std::pair(dpi, 144u));
}

INSTANTIATE_TEST_SUITE_P(Screens, Dpi, testing::Values(120, 144, 168, 192));

TEST_P(Dpi, FiftyChangesLeaveNoFontBehind) {
  std::set<HFONT> fonts;  // GetGuiResources counts nothing under Wine: each font handed out is asked
  HFONT last = nullptr;
  for (int change = 0; change < 50; ++change) {
    fonts.insert(last = ChangeTo(120 + (GetParam() - 120 + 24 * change) % 96));  // 120 to 192, round
  }
  EXPECT_EQ(std::count_if(fonts.begin(), fonts.end(), [](HFONT f) { return GetObjectType(f) == OBJ_FONT; }), 1);
  ui::CloseAllWindows();
  EXPECT_EQ(GetObjectType(last), 0u);
}

}  // namespace
