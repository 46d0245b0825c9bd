// What a screen reader learns of the sliders through Active Accessibility, asked as it asks:
// AccessibleObjectFromWindow, then name, role and value of the control itself.
#include <oleacc.h>

#include <initializer_list>
#include <string>
#include <tuple>

#include "runtime/heap.h"
#include "support.h"

#include <commctrl.h>

namespace {

using namespace uitest;

// The panel's sliders, with the names the program gives them.
constexpr struct {
  ui::ControlNumber number;
  const char* name;
} Sliders[] = {{1, "16' drawbar"},    {2, "5 1/3' drawbar"}, {3, "8' drawbar"},     {4, "4' drawbar"},
               {5, "2 2/3' drawbar"}, {6, "2' drawbar"},     {7, "1 3/5' drawbar"}, {8, "1 1/3' drawbar"},
               {9, "1' drawbar"},     {10, "R/H"},           {100, "Distortion"},   {102, "Reverb"}};

struct Reading {
  std::string name = "(no name)";  // as read, "?" for every character outside ASCII
  LONG role = -1;
  std::string value;
};

std::string Narrow(BSTR text) {
  std::string narrow;
  for (UINT i = 0; i < SysStringLen(text); ++i) narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  SysFreeString(text);
  return narrow;
}

Reading ReadObject(IAccessible* object) {
  Reading reading;
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
  if (object->get_accValue(self, &text) == S_OK) reading.value = Narrow(text);
  return reading;
}

// The control's object as a screen reader gets it; with standard, the window system's own object.
IAccessible* ObjectOf(HWND control, bool standard = false) {
  IAccessible* object = nullptr;
  void** const out = reinterpret_cast<void**>(&object);
  if (standard) CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible), out);
  else AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), out);
  return object;
}

Reading Read(HWND control, bool standard = false) {
  IAccessible* object = ObjectOf(control, standard);
  if (object == nullptr) return {};
  const Reading reading = ReadObject(object);
  object->Release();
  return reading;
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

// The panel's columns in the program's order: the sliders, named, then their captions.
class Accessible : public LayerTest {
 protected:
  void SetUp() override {
    LayerTest::SetUp();  // COM as well: the test does not start it itself
    window_ = ui::OpenNumberedWindow(0, 0, 0, 490, 225, 0x00C80000, "Accessible");
    ASSERT_NE(window_, nullptr);
    ui::BeginControls(window_);
    for (std::size_t i = 0; i < std::size(Sliders); ++i) {
      ui::CreateSlider(Sliders[i].number, 10 + 40 * static_cast<int>(i), 50, 30, 100, 0, 127, TBS_VERT);
      ui::SetControlName(Sliders[i].number, Sliders[i].name);
    }
    for (std::size_t i = 0; i < std::size(Sliders); ++i) {
      ui::CreateLabel(200 + static_cast<int>(i), 10 + 40 * static_cast<int>(i), 35, 35, 20, "16", SS_CENTER);
    }
  }
  HWND window_ = nullptr;
};

TEST_F(Accessible, EverySliderTellsItsNameRoleAndTheValueItsDisplayShows) {
  for (const auto& slider : Sliders) {
    const Reading reading = Read(ui::ControlHandle(slider.number));
    EXPECT_EQ(reading.name, slider.name);
    EXPECT_EQ(reading.role, ROLE_SYSTEM_SLIDER) << slider.name;
    EXPECT_EQ(reading.value, "0") << slider.name;  // the thumb at the bottom
  }
  // The trackbar's position runs the other way: 27 from the top is 100 from the bottom.
  SendMessageA(ui::ControlHandle(3), TBM_SETPOS, TRUE, 27);
  EXPECT_EQ(Read(ui::ControlHandle(3)).value, "100");
  SendMessageA(ui::ControlHandle(102), TBM_SETPOS, TRUE, 0);
  EXPECT_EQ(Read(ui::ControlHandle(102)).value, "127");

  // Each object goes once its last user lets go of it.
  const int blocks = BusyBlocks();
  for (int i = 0; i < 240; ++i) Read(ui::ControlHandle(Sliders[i % 12].number));
  EXPECT_EQ(BusyBlocks(), blocks);
}

TEST_F(Accessible, TheValueFollowsTheArrowKeys) {
  ASSERT_TRUE(BringToFront(window_));
  ui::FocusControl(6);
  const HWND slider = ui::ControlHandle(6);
  for (const auto& [key, expected] : {std::pair{VK_UP, "1"}, {VK_UP, "2"}, {VK_UP, "3"}, {VK_DOWN, "2"}}) {
    KeyStroke(static_cast<WORD>(key));
    EXPECT_TRUE(PumpUntil([&] { return Read(slider).value == expected; })) << "after a key, " << expected;
  }
}

// COM's identity rule: whatever the object is asked for leads back to the object itself, never to the
// window system's one inside it; and that window is the slider's.
TEST_F(Accessible, TheObjectIsItselfThroughEveryInterfaceItGives) {
  const HWND slider = ui::ControlHandle(3);
  IAccessible* object = ObjectOf(slider);
  ASSERT_NE(object, nullptr);
  IUnknown* identity = nullptr;
  IOleWindow* window = nullptr;
  IUnknown* again = nullptr;
  ASSERT_EQ(object->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&identity)), S_OK);
  ASSERT_EQ(object->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&window)), S_OK);
  ASSERT_EQ(window->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, identity);
  for (const IID& id : {__uuidof(IServiceProvider), __uuidof(IEnumVARIANT)}) {
    void* other = object;
    EXPECT_EQ(object->QueryInterface(id, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
  }
  UINT typeInfos = 1;  // IDispatch without type information: none, and that is an answer
  EXPECT_EQ(std::pair(object->GetTypeInfoCount(&typeInfos), typeInfos), std::pair(S_OK, 0u));
  HWND found = nullptr;
  EXPECT_EQ(WindowFromAccessibleObject(object, &found), S_OK);
  EXPECT_EQ(found, slider);
  for (IUnknown* held : std::initializer_list<IUnknown*>{object, window, identity, again}) held->Release();
}

// A name belongs to its control: one made later under the same number is named by the window system,
// and an object still held for the old control tells no name once its window is gone.
TEST_F(Accessible, ANameGoesWithItsControl) {
  ui::SetControlName(1, "A name longer than the thirty-one characters kept");
  EXPECT_EQ(Read(ui::ControlHandle(1)).name, "A name longer than the thirty-o");
  IAccessible* held = ObjectOf(ui::ControlHandle(1));
  ASSERT_NE(held, nullptr);
  ui::CreateSlider(1, 10, 50, 30, 100, 0, 127, TBS_VERT);
  const Reading fresh = Read(ui::ControlHandle(1)), standard = Read(ui::ControlHandle(1), true);
  ASSERT_NE(standard.role, -1) << "the window system's object tells nothing";
  EXPECT_EQ(std::tie(fresh.name, fresh.role), std::tie(standard.name, standard.role));
  EXPECT_EQ(ReadObject(held).name, "(no name)");
  held->Release();
}

}  // namespace
