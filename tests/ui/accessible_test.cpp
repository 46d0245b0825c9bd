// What a screen reader learns of the controls through Active Accessibility, asked as it asks:
// AccessibleObjectFromWindow, then name, role and value of the control itself.
#include <oleacc.h>

#include <string>

#include "runtime/heap.h"
#include "support.h"

#include <commctrl.h>

namespace {

using namespace uitest;

constexpr std::uint32_t PanelFlags = 0x00C80000;
constexpr std::uint32_t Vertical = 2;  // TBS_VERT

// The panel's sliders, with the names the program gives them.
constexpr struct {
  ui::ControlNumber number;
  const char* name;
} Sliders[] = {{1, "16' drawbar"},    {2, "5 1/3' drawbar"}, {3, "8' drawbar"},     {4, "4' drawbar"},
               {5, "2 2/3' drawbar"}, {6, "2' drawbar"},     {7, "1 3/5' drawbar"}, {8, "1 1/3' drawbar"},
               {9, "1' drawbar"},     {10, "R/H"},           {100, "Distortion"},   {102, "Reverb"}};

struct Reading {
  HRESULT found = E_FAIL;  // what AccessibleObjectFromWindow said
  std::string name;
  LONG role = -1;
  std::string value;
  bool hasValue = false;
};

std::string Narrow(BSTR text) {
  std::string narrow;
  for (UINT i = 0; i < SysStringLen(text); ++i) narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  SysFreeString(text);
  return narrow;
}

Reading Read(HWND control) {
  Reading reading;
  IAccessible* object = nullptr;
  reading.found =
      AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  if (FAILED(reading.found)) return reading;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK) reading.name = Narrow(text);
  VARIANT role;
  VariantInit(&role);
  if (object->get_accRole(self, &role) == S_OK && role.vt == VT_I4) reading.role = role.lVal;
  text = nullptr;
  reading.hasValue = object->get_accValue(self, &text) == S_OK && text != nullptr;
  if (reading.hasValue) reading.value = Narrow(text);
  object->Release();
  return reading;
}

class Accessible : public LayerTest {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    LayerTest::SetUp();
    window_ = ui::OpenNumberedWindow(0, 0, 0, 490, 225, PanelFlags, "Accessible");
    ASSERT_NE(window_, nullptr);
    ui::BeginControls(window_);
  }
  void TearDown() override {
    LayerTest::TearDown();
    CoUninitialize();
  }

  // The panel's columns in the program's order: the sliders, named, then their captions.
  void BuildColumns() {
    int x = 10;
    for (const auto& slider : Sliders) {
      ui::CreateSlider(slider.number, x, 50, 30, 100, 0, 127, Vertical);
      ui::SetControlName(slider.number, slider.name);
      x += 40;
    }
    for (const auto& slider : Sliders) ui::CreateLabel(slider.number + 200, x, 35, 35, 20, "16", SS_CENTER);
  }

  HWND window_ = nullptr;
};

TEST_F(Accessible, EverySliderTellsItsNameRoleAndTheValueItsDisplayShows) {
  BuildColumns();
  for (const auto& slider : Sliders) {
    const Reading reading = Read(ui::ControlHandle(slider.number));
    EXPECT_EQ(reading.found, S_OK) << slider.name;
    EXPECT_EQ(reading.name, slider.name);
    EXPECT_EQ(reading.role, ROLE_SYSTEM_SLIDER) << slider.name;
    EXPECT_EQ(reading.value, "0") << slider.name;  // the thumb at the bottom
  }
  // The trackbar's position runs the other way: 27 from the top is 100 from the bottom.
  SendMessageA(ui::ControlHandle(3), TBM_SETPOS, TRUE, 27);
  EXPECT_EQ(Read(ui::ControlHandle(3)).value, "100");
  SendMessageA(ui::ControlHandle(102), TBM_SETPOS, TRUE, 0);
  EXPECT_EQ(Read(ui::ControlHandle(102)).value, "127");
  EXPECT_EQ(Read(ui::ControlHandle(1)).value, "0");
}

TEST_F(Accessible, TheValueFollowsTheArrowKeys) {
  BuildColumns();
  ASSERT_TRUE(BringToFront(window_));
  ui::FocusControl(6);
  const HWND slider = ui::ControlHandle(6);
  for (const auto& [key, expected] : {std::pair{VK_UP, "1"}, {VK_UP, "2"}, {VK_UP, "3"}, {VK_DOWN, "2"}}) {
    KeyStroke(static_cast<WORD>(key));
    EXPECT_TRUE(PumpUntil([&] { return Read(slider).value == expected; })) << "after a key, " << expected;
  }
  EXPECT_EQ(Read(slider).value, std::to_string(ui::GetControlState(6)));
}

TEST_F(Accessible, ANamedTextFieldKeepsItsRoleAndItsTextAsValue) {
  ui::CreateLabel(996, 10, 8, 265, 73, "0 = Alpha\r1 = Beta\r", 0);
  ui::CreateTextField(999, 9, 92, 339, 20, "2", 0x44);
  ui::SetControlName(999, "Select the MIDI-OUT");
  const Reading reading = Read(ui::ControlHandle(999));
  EXPECT_EQ(reading.name, "Select the MIDI-OUT");
  EXPECT_EQ(reading.role, ROLE_SYSTEM_TEXT);
  EXPECT_EQ(reading.value, "2");
  // Labels and buttons keep the names the window system gives them: their text.
  ui::CreatePushButton(997, 288, 8, 60, 23, "OK", BS_DEFPUSHBUTTON);
  EXPECT_EQ(Read(ui::ControlHandle(997)).name, "OK");
}

// A name belongs to its control: a control made later under the same number starts without one,
// and an object handed out for a control that is gone answers without touching what replaced it.
TEST_F(Accessible, ANameGoesWithItsControl) {
  ui::CreateSlider(1, 10, 50, 30, 100, 0, 127, Vertical);
  ui::SetControlName(1, "A name longer than the thirty-one characters kept");
  EXPECT_EQ(Read(ui::ControlHandle(1)).name, "A name longer than the thirty-o");
  IAccessible* held = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(ui::ControlHandle(1), OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&held)),
            S_OK);
  ui::CreateSlider(1, 10, 50, 30, 100, 0, 127, Vertical);
  EXPECT_NE(Read(ui::ControlHandle(1)).name, "A name longer than the thirty-o");
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  held->get_accName(self, &name);  // the old window is gone: the wrapped object answers
  EXPECT_NE(Narrow(name), "A name longer than the thirty-o");
  held->Release();
}

// Blocks in use in the private heap, where the layer keeps the objects it hands out.
int BusyBlocks() {
  const HANDLE heap = runtime::PrivateHeap();
  PROCESS_HEAP_ENTRY entry{};
  int count = 0;
  HeapLock(heap);
  while (HeapWalk(heap, &entry)) count += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
  HeapUnlock(heap);
  return count;
}

// Every object handed out goes once its last user lets go of it, together with the window
// system's object inside it.
TEST_F(Accessible, AskingAgainAndAgainLeavesNothingBehind) {
  BuildColumns();
  Read(ui::ControlHandle(1));
  const int before = BusyBlocks();
  const DWORD userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(Read(ui::ControlHandle(Sliders[i % 12].number)).role, ROLE_SYSTEM_SLIDER);
  EXPECT_EQ(BusyBlocks(), before);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userObjects);
}

}  // namespace
