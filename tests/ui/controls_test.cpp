// Numbered controls: the registry, the four kinds, texts, slider states and the focus messages.
#include <limits>
#include <string>

#include "support.h"
#include "ui/layer_info.h"

#include <commctrl.h>

namespace {

using namespace uitest;

constexpr std::uint32_t PanelFlags = 0x00C80000;
constexpr std::uint32_t Vertical = 2;  // TBS_VERT

class Controls : public LayerTest {
 protected:
  void SetUp() override {
    LayerTest::SetUp();
    window_ = ui::OpenNumberedWindow(0, 0, 0, 490, 225, PanelFlags, "Controls");
    ASSERT_NE(window_, nullptr);
    ASSERT_EQ(ui::BeginControls(window_), window_);
  }

  int ChildCount() const {
    int count = 0;
    EnumChildWindows(window_, CountChild, reinterpret_cast<LPARAM>(&count));
    return count;
  }

  static BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
  }

  HWND window_ = nullptr;
};

ui::ControlNumber AsNumber(HWND identity) { return static_cast<ui::ControlNumber>(reinterpret_cast<INT_PTR>(identity)); }

bool HasClientEdge(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0; }

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

TEST_F(Controls, EachKindGetsItsClassStyleAndIdentifier) {
  const HWND label = ui::CreateLabel(11, 10, 35, 35, 20, "16", SS_CENTER);
  const HWND button = ui::CreatePushButton(50, 10, 175, 50, 20, "Perc OFF");
  const HWND field = ui::CreateTextField(999, 9, 92, 339, 20, "2", 0x44);
  const HWND slider = ui::CreateSlider(1, 10, 50, 30, 100, 0, 127, Vertical);
  ASSERT_TRUE(label && button && field && slider);

  char name[32];
  GetClassNameA(slider, name, sizeof name);
  EXPECT_STREQ(name, "msctls_trackbar32");
  EXPECT_EQ(GetParent(field), window_);
  EXPECT_EQ(GetWindowLongPtrA(label, GWLP_ID), 11);
  EXPECT_EQ(GetWindowLongPtrA(field, GWLP_ID), 999);
  EXPECT_EQ(StyleOf(label) & 0xFFFF0000u, 0x50020000u);  // child, visible, group; no tab stop
  EXPECT_EQ(StyleOf(label) & SS_TYPEMASK, static_cast<DWORD>(SS_CENTER));
  EXPECT_EQ(StyleOf(button) & 0xFFFF0000u, 0x50030000u);
  EXPECT_EQ(StyleOf(field) & 0x500300C4u, 0x500300C4u);  // with autohscroll, multiline, autovscroll
  EXPECT_EQ(StyleOf(slider) & 0xFFFF0000u, 0x50010000u);
  EXPECT_EQ(StyleOf(slider) & TBS_VERT, static_cast<DWORD>(TBS_VERT));

  // Text-bearing kinds show the GUI font; the slider shows no text at all.
  const auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const HWND window : {label, button, field}) {
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), font);
  }
  EXPECT_EQ(GetWindowTextLengthA(slider), 0);
  EXPECT_EQ(ui::GetControlText(50), "Perc OFF");
  EXPECT_EQ(ui::GetControlText(999), "2");
}

TEST_F(Controls, ClientEdgeFollowsTheFlagInOppositeSensesForLabelsAndTextFields) {
  EXPECT_FALSE(HasClientEdge(ui::CreateLabel(1, 0, 0, 50, 20, "a", 0)));
  EXPECT_TRUE(HasClientEdge(ui::CreateLabel(2, 0, 0, 50, 20, "b", ui::ClientEdgeFlag)));
  EXPECT_TRUE(HasClientEdge(ui::CreateLabel(3, 0, 0, 50, 20, "c", ui::ClientEdgeFlag | SS_CENTER)));
  EXPECT_TRUE(HasClientEdge(ui::CreateTextField(4, 0, 0, 50, 20, "d", 0)));
  EXPECT_TRUE(HasClientEdge(ui::CreateTextField(5, 0, 0, 50, 20, "e", 0x44)));
  EXPECT_FALSE(HasClientEdge(ui::CreateTextField(6, 0, 0, 50, 20, "f", ui::ClientEdgeFlag)));
  EXPECT_FALSE(HasClientEdge(ui::CreatePushButton(7, 0, 0, 50, 20, "g", ui::ClientEdgeFlag)));
}

TEST_F(Controls, RegistryGrowsToThirtyBeyondTheNumber) {
  EXPECT_EQ(ui::ControlRegistryCapacity(), 30);
  ASSERT_NE(ui::CreateLabel(29, 0, 0, 10, 10, ""), nullptr);
  EXPECT_EQ(ui::ControlRegistryCapacity(), 30);
  ASSERT_NE(ui::CreateLabel(30, 0, 0, 10, 10, ""), nullptr);  // equal to the capacity
  EXPECT_EQ(ui::ControlRegistryCapacity(), 60);
  EXPECT_NE(ui::ControlHandle(29), nullptr);  // records before the growth are kept
  ui::InitControls(Instance());
  ui::BeginControls(window_);
  ASSERT_NE(ui::CreateTextField(996, 0, 0, 10, 10, "", 0), nullptr);
  EXPECT_EQ(ui::ControlRegistryCapacity(), 1026);
}

TEST_F(Controls, NumbersOutsideTheRegistryAreRefusedAndNumbersWithoutAControlNameNothing) {
  for (const ui::ControlNumber number : {-2, -10000, std::numeric_limits<std::int32_t>::min(), ui::LargestNumber + 1,
                                         std::numeric_limits<std::int32_t>::max()}) {
    EXPECT_EQ(ui::CreateLabel(number, 0, 0, 10, 10, "x"), nullptr) << number;
    EXPECT_EQ(ui::CreateSlider(number, 0, 0, 10, 10, 0, 10), nullptr) << number;
  }
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_EQ(ui::ControlRegistryCapacity(), 30);
  EXPECT_EQ(ui::AutomaticControlCount(), 0);

  for (const ui::ControlNumber number : {-2, 0, 30, 31, 500, ui::LargestNumber + 1}) {
    EXPECT_EQ(ui::ControlHandle(number), nullptr) << number;
    EXPECT_EQ(ui::GetControlState(number), 0);
    EXPECT_EQ(ui::GetControlText(number), "");
    EXPECT_FALSE(ui::SetControlText(number, "x"));
  }
  char title[32] = {};
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, "Controls");  // no text went anywhere
}

TEST_F(Controls, CreatingUnderAUsedNumberReplacesTheControl) {
  const HWND label = ui::CreateLabel(7, 0, 0, 50, 20, "label");
  const HWND slider = ui::CreateSlider(7, 0, 30, 200, 30, 0, 100);
  ASSERT_NE(slider, nullptr);
  EXPECT_FALSE(IsWindow(label));
  EXPECT_EQ(ui::ControlHandle(7), slider);
  EXPECT_EQ(ChildCount(), 1);
  SendMessageA(slider, TBM_SETPOS, TRUE, 33);
  EXPECT_EQ(ui::GetControlState(7), 33);  // the slider's rules now

  // The number names one control for all windows: making it elsewhere takes it from here.
  const HWND other = ui::OpenNumberedWindow(1, 300, 300, 200, 100, PanelFlags, "Other");
  ui::BeginControls(other);
  const HWND field = ui::CreateTextField(7, 0, 0, 100, 20, "field", 0);
  EXPECT_FALSE(IsWindow(slider));
  EXPECT_EQ(ui::ControlHandle(7), field);
  EXPECT_TRUE(ui::SetControlText(7, "new"));
  char text[16] = {};
  GetWindowTextA(field, text, sizeof text);
  EXPECT_STREQ(text, "new");
  EXPECT_EQ(ui::GetControlState(7), 0);
}

TEST_F(Controls, DestroyingAControlsWindowFreesItsNumber) {
  DestroyWindow(ui::CreatePushButton(5, 0, 0, 50, 20, "x"));
  EXPECT_EQ(ui::ControlHandle(5), nullptr);

  // Closing a window frees the numbers of all its controls.
  ui::CreateLabel(996, 10, 8, 265, 73, "message");
  ui::CreatePushButton(997, 288, 8, 60, 23, "OK", 1);
  ui::CreateTextField(999, 9, 92, 339, 20, "2", 0x44);
  ui::CreateSlider(3, 0, 0, 30, 100, 0, 127, Vertical);
  ui::CloseNumberedWindow(0);
  for (const ui::ControlNumber number : {996, 997, 999, 3}) {
    EXPECT_EQ(ui::ControlHandle(number), nullptr) << number;
    EXPECT_EQ(ui::GetControlText(number), "");
  }
  // And they can be made again, as the dialog does each time it opens.
  window_ = ui::OpenNumberedWindow(999, 0, 0, 357, 120, PanelFlags | 1, "Again");
  ui::BeginControls(window_);
  EXPECT_NE(ui::CreateTextField(999, 9, 92, 339, 20, "3", 0x44), nullptr);
  EXPECT_EQ(ui::GetControlText(999), "3");
}

TEST_F(Controls, ControlsMadeAfterTheirParentIsGoneAreNotMade) {
  ui::CloseNumberedWindow(0);
  EXPECT_EQ(ui::CreateLabel(5, 0, 0, 50, 20, "x"), nullptr);
  EXPECT_EQ(ui::CreateSlider(6, 0, 0, 50, 20, 0, 10), nullptr);
  EXPECT_EQ(ui::ControlHandle(5), nullptr);
  EXPECT_EQ(ui::ControlHandle(6), nullptr);
  // An automatic label still names its number, which names nothing; an automatic slider gives 0.
  const ui::ControlNumber label = AsNumber(ui::CreateLabel(ui::AutoControlNumber, 0, 0, 50, 20, "x"));
  EXPECT_LT(label, -1);
  EXPECT_EQ(ui::ControlHandle(label), nullptr);
  EXPECT_EQ(ui::CreateSlider(ui::AutoControlNumber, 0, 0, 50, 20, 0, 10), nullptr);
  EXPECT_EQ(ui::AutomaticControlCount(), 0);
}

TEST_F(Controls, AutomaticControlsLiveUnderNumbersOfTheirOwn) {
  const ui::ControlNumber label = AsNumber(ui::CreateLabel(ui::AutoControlNumber, 0, 0, 80, 20, "auto"));
  const ui::ControlNumber button = AsNumber(ui::CreatePushButton(ui::AutoControlNumber, 0, 30, 80, 20, "go"));
  const ui::ControlNumber slider = AsNumber(ui::CreateSlider(ui::AutoControlNumber, 0, 60, 200, 30, 0, 50));
  for (const ui::ControlNumber number : {label, button, slider}) {
    EXPECT_LT(number, -1);
    EXPECT_NE(number, -10000);  // WM_COMMAND does not count that identifier as a control's
    const HWND window = ui::ControlHandle(number);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(static_cast<ui::ControlNumber>(GetWindowLongPtrA(window, GWLP_ID)), number);
  }
  EXPECT_NE(label, button);
  EXPECT_NE(button, slider);
  EXPECT_EQ(ui::AutomaticControlCount(), 3);
  EXPECT_EQ(ui::ControlRegistryCapacity(), 30);

  EXPECT_TRUE(ui::SetControlText(label, "changed"));
  EXPECT_EQ(ui::GetControlText(label), "changed");
  SendMessageA(ui::ControlHandle(slider), TBM_SETPOS, TRUE, 20);
  EXPECT_EQ(ui::GetControlState(slider), 20);

  // A click reports the automatic number like any other. The button tells its parent within
  // BM_CLICK itself, so the number is recorded when the call returns; no queued event follows.
  DrainEvents();
  SendMessageA(ui::ControlHandle(button), BM_CLICK, 0, 0);
  EXPECT_EQ(ui::EventControlNumber(), button);

  DestroyWindow(ui::ControlHandle(label));
  EXPECT_EQ(ui::AutomaticControlCount(), 2);
  ui::CloseNumberedWindow(0);
  EXPECT_EQ(ui::AutomaticControlCount(), 0);
  EXPECT_EQ(ui::ControlHandle(button), nullptr);
}

TEST_F(Controls, VerticalSliderReadsUpwardsAndHorizontalAsItIs) {
  const HWND slider = ui::CreateSlider(3, 90, 50, 30, 100, 0, 127, Vertical);
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(ui::GetControlState(3), 0);
  EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 127);  // the thumb starts at the bottom
  SendMessageA(slider, TBM_SETPOS, TRUE, 0);                // top
  EXPECT_EQ(ui::GetControlState(3), 127);
  SendMessageA(slider, TBM_SETPOS, TRUE, 100);
  EXPECT_EQ(ui::GetControlState(3), 27);

  // The style is read at every call: turned horizontal, the same position reads unmirrored.
  SetWindowLongA(slider, GWL_STYLE, GetWindowLongA(slider, GWL_STYLE) & ~TBS_VERT);
  EXPECT_EQ(ui::GetControlState(3), 100);

  const HWND horizontal = ui::CreateSlider(4, 10, 10, 200, 30, 10, 60);
  EXPECT_EQ(ui::GetControlState(4), 10);  // state 0, kept within the range by the trackbar
  SendMessageA(horizontal, TBM_SETPOS, TRUE, 42);
  EXPECT_EQ(ui::GetControlState(4), 42);
}

TEST_F(Controls, SliderRangeIsClampedToZeroToTenThousand) {
  const HWND slider = ui::CreateSlider(5, 10, 10, 200, 30, -5, 20000);
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 10000);
  const HWND vertical = ui::CreateSlider(6, 10, 50, 30, 150, std::numeric_limits<std::int32_t>::min(), 70000, Vertical);
  EXPECT_EQ(SendMessageA(vertical, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageA(vertical, TBM_GETRANGEMAX, 0, 0), 10000);
  EXPECT_EQ(SendMessageA(vertical, TBM_GETPOS, 0, 0), 10000);
  EXPECT_EQ(ui::GetControlState(6), 0);
}

TEST_F(Controls, ButtonStateIsItsCheck) {
  ui::CreatePushButton(50, 0, 0, 50, 20, "push");
  ui::CreatePushButton(51, 0, 30, 80, 20, "check", BS_AUTOCHECKBOX);
  ui::CreateLabel(52, 0, 60, 50, 20, "label");
  EXPECT_EQ(ui::GetControlState(50), BST_UNCHECKED);
  SendMessageA(ui::ControlHandle(51), BM_CLICK, 0, 0);
  EXPECT_EQ(ui::GetControlState(51), BST_CHECKED);
  EXPECT_EQ(ui::GetControlState(52), 0);
}

TEST_F(Controls, TextIsReadUpTo31999Characters) {
  const HWND field = ui::CreateTextField(999, 9, 92, 339, 20, "", 0);
  SendMessageA(field, EM_SETLIMITTEXT, 0, 0);
  std::string text(40000, 'x');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  EXPECT_TRUE(ui::SetControlText(999, text));
  ASSERT_EQ(GetWindowTextLengthA(field), 40000);
  const runtime::Text read = ui::GetControlText(999);
  EXPECT_EQ(read.size(), 31999u);
  EXPECT_EQ(std::string_view(read), std::string_view(text).substr(0, 31999));

  ui::CreateLabel(1, 0, 0, 50, 20, std::string(31999, 'y'));
  EXPECT_EQ(ui::GetControlText(1).size(), 31999u);
  EXPECT_TRUE(ui::SetControlText(1, "Ger\xE4t \xD6l \xFC"));  // Windows-1252 passes through unchanged
  EXPECT_EQ(ui::GetControlText(1), "Ger\xE4t \xD6l \xFC");
  EXPECT_TRUE(ui::SetControlText(1, ""));
  EXPECT_EQ(ui::GetControlText(1), "");
}

TEST_F(Controls, ReturnTypedIntoAMultilineFieldIsALineBreak) {
  ui::CreateTextField(999, 9, 92, 339, 40, "", 0x44);
  ASSERT_TRUE(BringToFront(window_));
  ui::FocusControl(999);
  ASSERT_EQ(GetFocus(), ui::ControlHandle(999));
  for (const WORD key : {WORD{'A'}, WORD{VK_RETURN}, WORD{'B'}}) KeyStroke(key);
  ASSERT_TRUE(PumpUntil([] { return ui::GetControlText(999).size() >= 4; }));
  EXPECT_EQ(ui::GetControlText(999), "a\r\nb");
}

TEST_F(Controls, TextFieldPostsItsFocusChangesToItsTopLevelWindow) {
  // The field sits in a container inside the numbered window; the message goes to the top.
  const HWND container = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 200, window_,
                                         reinterpret_cast<HMENU>(1234), Instance(), nullptr);
  ASSERT_NE(container, nullptr);
  ui::BeginControls(container);
  ui::CreateTextField(999, 10, 10, 200, 20, "", 0);
  ui::CreateTextField(998, 10, 40, 200, 20, "", 0);
  ASSERT_TRUE(BringToFront(window_));
  DrainEvents();

  MSG message;
  ui::FocusControl(999);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, ui::ControlFocusMessage, ui::ControlFocusMessage, PM_REMOVE));
  EXPECT_EQ(message.hwnd, window_);
  EXPECT_EQ(message.wParam, 999u);
  EXPECT_EQ(message.lParam, ui::FocusGainedCode);

  ui::FocusControl(998);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, ui::ControlFocusMessage, ui::ControlFocusMessage, PM_REMOVE));
  EXPECT_EQ(message.wParam, 999u);
  EXPECT_EQ(message.lParam, ui::FocusLostCode);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, ui::ControlFocusMessage, ui::ControlFocusMessage, PM_REMOVE));
  EXPECT_EQ(message.wParam, 998u);
  EXPECT_EQ(message.lParam, ui::FocusGainedCode);

  // Fetched, the posted message is a control event for the field.
  DrainEvents();
  PostMessageA(window_, ui::ControlFocusMessage, 998, ui::FocusLostCode);
  EXPECT_EQ(ui::PollEvent(), ui::ControlEvent);
  EXPECT_EQ(ui::EventControlNumber(), 998);

  // Giving the focus to a number without a control takes it away.
  ui::FocusControl(12345);
  EXPECT_EQ(GetFocus(), nullptr);
}

// Another program can post or send a panel anything. What only looks like a press, a slider's move
// or a text field's focus change names no control; a button's own click does.
TEST_F(Controls, ForgedMessagesNameNoControl) {
  const HWND button = ui::CreatePushButton(50, 10, 175, 50, 20, "Perc OFF");
  const auto window = reinterpret_cast<LPARAM>(button);
  const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool posted;
  } forged[] = {{ui::ControlFocusMessage, 50, ui::FocusGainedCode, true},  // a focus event naming a button
                {WM_VSCROLL, SB_THUMBTRACK, window, true},                  // a scroll with a button's window
                {WM_COMMAND, MAKEWPARAM(50, BN_SETFOCUS), window, false},  // a notification that is no click
                {WM_COMMAND, MAKEWPARAM(50, BN_CLICKED), window, true},    // a click posted
                {ui::ControlEvent, 0, 0, true}};                             // a bare control event
  DrainEvents();
  for (const auto& f : forged) {
    SendMessageA(button, BM_CLICK, 0, 0);  // a real press first, whose number must not come back
    PostMessageA(window_, WM_APP, 0, 0);  // the next fetch gives what a sent message recorded
    EXPECT_EQ(Count(DrainEvents(), ui::ControlEvent, 50), 1);
    if (f.posted) PostMessageA(window_, f.message, f.wParam, f.lParam);
    if (!f.posted) SendMessageA(window_, f.message, f.wParam, f.lParam);
    PostMessageA(window_, WM_APP, 0, 0);
    for (const Fetched& fetched : DrainEvents()) EXPECT_NE(fetched.control, 50) << "message " << f.message;
  }
}

}  // namespace
