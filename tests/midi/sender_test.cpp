#include "midi/sender.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "midi/output.h"
#include "tests/midi/fake_winmm.h"

namespace {

using Messages = std::vector<DWORD>;

struct QueueCase {
  const char* name;
  Messages handed;    // handed over while the driver holds the sender's first message
  Messages expected;  // what the driver gets after it
  int notReady;       // answers of "not ready" the driver gives first
  int randomCount;    // then this many random messages, with the driver slowed
};

constexpr DWORD Cc(DWORD controller, DWORD value, DWORD channel = 0) {
  return midi::ShortMessage(0xB0 + channel, controller, value);
}

// The messages of one controller, or with -1 the others, in the order they come.
Messages Stream(const Messages& messages, int key) {
  Messages stream;
  std::copy_if(messages.begin(), messages.end(), std::back_inserter(stream),
               [key](DWORD m) { return midi::ControllerKey(m) == key; });
  return stream;
}

class SenderQueueTest : public MidiTest, public testing::WithParamInterface<QueueCase> {};

TEST_P(SenderQueueTest, KeepsOrderMergesOnlyAControllersWaitingValueAndDropsNothing) {
  const QueueCase& c = GetParam();
  Fake().shortMsgGate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Fake().notReady = c.notReady;
  midi::Ports ports;
  ports.OutputHandle = reinterpret_cast<HMIDIOUT>(0x1002);
  midi::StartSender(ports, 2, "Gamma", [] {});
  midi::SendShortMessage(ports, 0xB0, 100, 1);  // the driver holds it until the gate opens
  for (const DWORD m : c.handed) midi::QueueShortMessage(m);
  SetEvent(Fake().shortMsgGate);

  Messages made;  // by a producer faster than the slowed driver
  Fake().shortMsgDelayMs = c.randomCount > 0 ? 1 : 0;
  for (DWORD i = 0, random = 12345; i < DWORD(c.randomCount); ++i) {
    random = random * 1103515245 + 12345;
    made.push_back(i % 7 == 0 ? midi::ShortMessage(0x90, random >> 8 & 0x7F, 64) : Cc(random >> 16 & 3, random >> 8 & 0x7F));
    midi::QueueShortMessage(made.back());
  }
  midi::StopSender(INFINITE);  // what waits goes out first
  CloseHandle(Fake().shortMsgGate);
  EXPECT_EQ(Fake().calls.back(), "midiOutClose 0x1002");

  Messages sent;
  for (const std::string& call : Fake().calls) {
    if (call.rfind("midiOutShortMsg", 0) == 0) sent.push_back(std::stoul(call.substr(call.rfind(' ') + 1), nullptr, 16));
  }
  ASSERT_EQ(sent.front(), Cc(100, 1));
  sent.erase(sent.begin(), sent.begin() + 1 + c.notReady);  // the held message and its tries
  if (c.randomCount == 0) {
    EXPECT_EQ(sent, c.expected);
    return;
  }
  // Every note in order; of each controller some of its values in order, and always its last.
  EXPECT_EQ(Stream(sent, -1), Stream(made, -1));
  for (int key = 0; key < 4; ++key) {
    const Messages values = Stream(made, key), out = Stream(sent, key);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), values.back());
    auto from = values.begin();
    for (const DWORD m : out) {
      from = std::find(from, values.end(), m);
      ASSERT_NE(from++, values.end()) << "controller " << key << " out of order";
    }
  }
  EXPECT_LT(sent.size(), made.size()) << "the driver never fell behind: nothing was merged";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SenderQueueTest,
    testing::Values(QueueCase{"OrderAcrossControllers", {Cc(12, 1), Cc(13, 2), Cc(91, 3)}, {Cc(12, 1), Cc(13, 2), Cc(91, 3)}, 0, 0},
                    QueueCase{"SameControllerTakesThePlaceOfItsWaitingValue",
                              {Cc(12, 1), Cc(13, 2), Cc(12, 5), Cc(12, 7)}, {Cc(12, 7), Cc(13, 2)}, 0, 0},
                    QueueCase{"OtherMessagesAndChannelsAreNeverMerged",
                              {0x403C90, 0x403C90, Cc(12, 1, 1), Cc(12, 2), 0x180B0, 0x180B0},
                              {0x403C90, 0x403C90, Cc(12, 1, 1), Cc(12, 2), 0x180B0, 0x180B0}, 0, 0},
                    QueueCase{"NotReadyIsTriedAgain", {Cc(12, 1), Cc(13, 2)}, {Cc(12, 1), Cc(13, 2)}, 3, 0},
                    QueueCase{"StressWithASlowDriver", {}, {}, 0, 3000}),
    [](const testing::TestParamInfo<QueueCase>& p) { return std::string(p.param.name); });

HANDLE told;

// A driver never ready for a message is asked again after pauses, for a limited time; then the device
// counts as lost, the panel hears it, and the dead handle is closed.
TEST_F(MidiTest, ADriverNeverReadyLosesTheDevice) {
  Fake().notReady = -1;
  told = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  midi::Ports ports;
  ports.OutputHandle = reinterpret_cast<HMIDIOUT>(0x1002);
  midi::StartSender(ports, 2, "Gamma", [] { SetEvent(told); });
  midi::SendShortMessage(ports, 0xB0, 12, 1);
  EXPECT_EQ(WaitForSingleObject(told, 30000), WAIT_OBJECT_0) << "the panel never heard of the loss";
  midi::StopSender();
  CloseHandle(told);
  EXPECT_FALSE(midi::OutputConnected());
  EXPECT_GT(std::count(Fake().calls.begin(), Fake().calls.end(), "midiOutShortMsg 0x1002 0x00010CB0"), 2);
  EXPECT_NE(std::find(Fake().calls.begin(), Fake().calls.end(), "midiOutClose 0x1002"), Fake().calls.end());
}

}  // namespace
