#include "app/event_loop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/state.h"
#include "app/control_table.h"
#include "midi/output.h"
#include "midi/winmm_api.h"
#include "scripted_panel.h"

namespace {

using scripted::NoControl;
using scripted::Step;

constexpr std::uint32_t CC(std::int32_t controller, std::int32_t value) {
  return midi::ShortMessage(app::ControlChange, controller, value);
}

class EventLoop : public testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    app::ResetState();
  }

  scripted::Panel& panel() { return scripted::ThePanel(); }
  void Script(std::vector<Step> steps) { panel().steps.assign(steps.begin(), steps.end()); }

  // Runs one pass per scripted step; returns what each pass said about closing.
  std::vector<bool> RunAll() {
    std::vector<bool> closes;
    while (!panel().steps.empty()) closes.push_back(app::RunLoopPass(app::State()));
    return closes;
  }
};

TEST_F(EventLoop, SendsNothingWhileNoSliderHasLeftZero) {
  Script({{{}, WM_PAINT, NoControl}, {{}, WM_MOUSEMOVE, NoControl}, {{{21, 0}}, ui::ControlEvent, 21}});
  EXPECT_EQ(RunAll(), (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(panel().sent.empty());
  EXPECT_EQ(panel().textWrites, 0);
}

TEST_F(EventLoop, SliderDraggedToTheTopSendsEachPositionTheLoopSees) {
  Script({{{{1, 10}}, ui::ControlEvent, 1}, {{{1, 64}}, ui::ControlEvent, 1}, {{{1, 127}}, ui::ControlEvent, 1}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(12, 10), CC(12, 64), CC(12, 127)}));
  EXPECT_EQ(panel().sent.back(), 0x007F0CB0u);
  EXPECT_EQ(panel().texts[21], "127");
}

TEST_F(EventLoop, SliderBackAtZeroSendsZeroAndShowsIt) {
  Script({{{{3, 100}}, ui::ControlEvent, 3}, {{{3, 0}}, ui::ControlEvent, 3}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(14, 100), CC(14, 0)}));
  EXPECT_EQ(panel().texts[23], "0");
}

TEST_F(EventLoop, EverySliderDrivesItsOwnControllerAndDisplayInTableOrder) {
  // All twelve move before one event: one pass sends them in the table's order.
  Script({{{{102, 12}, {100, 11}, {10, 10}, {9, 9}, {8, 8}, {7, 7}, {6, 6}, {5, 5}, {4, 4}, {3, 3}, {2, 2}, {1, 1}},
           WM_TIMER,
           NoControl}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(12, 1), CC(13, 2), CC(14, 3), CC(15, 4), CC(16, 5),
                                                       CC(17, 6), CC(18, 7), CC(19, 8), CC(20, 9), CC(8, 10),
                                                       CC(9, 11), CC(91, 12)}));
  const std::vector<std::pair<int, const char*>> shown{{21, "1"}, {22, "2"},  {23, "3"},   {24, "4"},
                                                       {25, "5"}, {26, "6"},  {27, "7"},   {28, "8"},
                                                       {29, "9"}, {30, "10"}, {101, "11"}, {103, "12"}};
  for (const auto& [display, text] : shown) EXPECT_EQ(panel().texts[display], text) << "display " << display;
}

TEST_F(EventLoop, EachButtonSendsItsFixedMessageOnEveryPress) {
  const std::vector<std::pair<ui::ControlNumber, std::uint32_t>> buttons{
      {50, CC(66, 0)},  {51, CC(66, 8)}, {52, CC(66, 16)}, {53, CC(31, 0)}, {54, CC(31, 8)},
      {55, CC(31, 16)}, {56, CC(68, 64)}, {57, CC(68, 0)}, {58, CC(1, 0)},  {59, CC(1, 64)}};
  for (const auto& [button, message] : buttons) {
    scripted::Reset();
    Script({{{}, ui::ControlEvent, button}, {{}, ui::ControlEvent, button}});
    RunAll();
    EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{message, message})) << "button " << button;
    EXPECT_EQ(panel().textWrites, 0);
  }
  // On the wire, the last button pressed ("Fast"):
  EXPECT_EQ(panel().sent.front(), 0x004001B0u);
}

TEST_F(EventLoop, ButtonGoesOutBeforeTheSlidersOfTheSamePass) {
  Script({{{{2, 5}}, ui::ControlEvent, 52}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(66, 16), CC(13, 5)}));
}

TEST_F(EventLoop, OnlyControlEventsPressButtons) {
  // The last control named was a button, but these events are not its press.
  Script({{{}, ui::ControlEvent, 58}, {{}, WM_LBUTTONDOWN, NoControl}, {{}, ui::ActivateEvent, NoControl}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(1, 0)}));
}

TEST_F(EventLoop, MovesBetweenEventsCoalesceIntoTheLatestPosition) {
  Script({{{{5, 10}, {5, 40}, {5, 90}}, ui::ControlEvent, 5}, {{{5, 30}, {5, 90}}, ui::ControlEvent, 5}});
  RunAll();
  // The second pass finds the slider where it was last sent: nothing new.
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(16, 90)}));
  EXPECT_EQ(panel().texts[25], "90");
}

TEST_F(EventLoop, AnyEventRunsTheSliderPass) {
  Script({{{{6, 7}}, WM_KEYDOWN, NoControl},
          {{{7, 8}}, WM_MOUSEMOVE, NoControl},
          {{{8, 9}}, ui::MoveEvent, NoControl},
          {{{9, 10}}, ui::ActivateEvent, NoControl}});
  EXPECT_EQ(RunAll(), (std::vector<bool>{false, false, false, false}));
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(17, 7), CC(18, 8), CC(19, 9), CC(20, 10)}));
}

TEST_F(EventLoop, CloseSendsThePendingChangeThenEndsTheProgram) {
  Script({{{{4, 50}}, ui::ControlEvent, 4}, {{{4, 77}}, ui::CloseEvent, NoControl}, {{}, WM_PAINT, NoControl}});
  EXPECT_THROW(app::RunEventLoop(app::State()), scripted::ProgramEnded);
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(15, 50), CC(15, 77)}));
  EXPECT_EQ(panel().texts[24], "77");
  EXPECT_EQ(panel().steps.size(), 1u) << "the loop went on after the close request";
}

// A slider's range changed, or the slider destroyed, by another program: only data bytes go out.
TEST_F(EventLoop, ValuesBeyondADataByteAreClampedAndAGoneSliderSendsNothing) {
  Script({{{{1, -50}, {2, 206}, {3, 100}}, WM_PAINT, NoControl}, {{{3, scripted::Gone}}, WM_PAINT, NoControl}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(13, 127), CC(14, 100)}));
  EXPECT_EQ(panel().texts[22], "127");
}

MMRESULT WINAPI FailingShortMsg(HMIDIOUT, DWORD message) {
  scripted::ThePanel().sent.push_back(message);
  return MMSYSERR_INVALHANDLE;
}

TEST_F(EventLoop, LostMessageIsNotRepeated) {
  midi::Winmm().midiOutShortMsg = FailingShortMsg;
  Script({{{{1, 20}}, ui::ControlEvent, 1}, {{}, WM_PAINT, NoControl}});
  RunAll();
  EXPECT_EQ(panel().sent, (std::vector<std::uint32_t>{CC(12, 20)}));
}

}  // namespace
