#include "midi/input.h"

#include <string>
#include <vector>

#include "midi/output.h"
#include "tests/midi/fake_winmm.h"

namespace {

using Calls = std::vector<std::string>;
using InputTest = MidiTest;

TEST_F(InputTest, NoDeviceIsFatal) {
  midi::Ports ports;
  midi::EnumerateInputDevices(ports);
  EXPECT_EQ(FatalTexts(), Calls{"kein Midi IN Ger\xE4t vorhanden"});
  EXPECT_EQ(Fake().calls, Calls{"midiInGetNumDevs"});
}

TEST_F(InputTest, NamesAreCopiedFromThe44ByteRecord) {
  Fake().inNames = {"Keys", std::string(40, 'K')};
  midi::Ports ports;
  midi::EnumerateInputDevices(ports);
  EXPECT_EQ(Fake().calls, (Calls{"midiInGetNumDevs", "midiInGetDevCapsA 0 44", "midiInGetDevCapsA 1 44"}));
  EXPECT_EQ(ports.InputNames[0], "Keys");
  EXPECT_EQ(ports.InputNames[1], std::string(32, 'K').c_str());
  EXPECT_TRUE(ports.OutputNames[0].empty());
}

TEST_F(InputTest, OpenRegistersTheCallbackThenStartsAndDoesNothingElse) {
  midi::Ports ports;
  midi::OpenInputDevice(ports, 3);
  EXPECT_EQ(Fake().calls, (Calls{"midiInOpen 3 0 0x30000", "midiInStart 0x2003"}));
  EXPECT_EQ(Fake().inCallback, reinterpret_cast<DWORD_PTR>(&midi::InputCallback));
  EXPECT_EQ(ports.InputHandle, reinterpret_cast<HMIDIIN>(0x2003));
  EXPECT_TRUE(FatalTexts().empty());
  // Incoming data goes through the thru connection: the callback calls nothing and raises nothing.
  const Calls before = Fake().calls;
  midi::InputCallback(ports.InputHandle, MIM_DATA, 0, 0x7F3C90, 0);
  EXPECT_EQ(Fake().calls, before);
  EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(InputTest, OpenAndStartFailures) {
  Fake().inOpenResult = MMSYSERR_ALLOCATED;
  midi::Ports ports;
  ports.InputNames[0] = "Keys";
  ports.InputNames[2] = "Pads";
  ports.OutputNames[1] = "Not an input";
  midi::OpenInputDevice(ports, 7);
  EXPECT_EQ(FatalTexts(), Calls{"\xD6" "ffnen des MIDI-IN Ger\xE4tes [7] nicht m\xF6glich\r\n0 = Keys\r\n2 = Pads\r\n"});
  EXPECT_EQ(Fake().calls.size(), 1u);  // no start after a failed open
  EXPECT_EQ(ports.InputHandle, nullptr);

  FatalTexts().clear();
  Fake().inOpenResult = MMSYSERR_NOERROR;
  Fake().inStartResult = MMSYSERR_ERROR;
  midi::OpenInputDevice(ports, 0);
  EXPECT_EQ(FatalTexts(), Calls{"Starten des MIDI-IN Ger\xE4tes nicht m\xF6glich"});
}

TEST_F(InputTest, ConnectNeedsBothHandles) {
  midi::Ports ports;
  midi::ConnectInputToOutput(ports);
  midi::OpenOutputDevice(ports, 0);
  midi::ConnectInputToOutput(ports);  // output open, input not
  EXPECT_EQ(FatalTexts(), Calls(2, "MIDI-In / MIDI-Out HandleNr ung\xFCltig"));
  EXPECT_EQ(Fake().calls, Calls{"midiOutOpen 0x0 0 0 0x0"});  // midiConnect never asked

  FatalTexts().clear();
  midi::OpenInputDevice(ports, 1);
  midi::ConnectInputToOutput(ports);
  EXPECT_TRUE(FatalTexts().empty());
  EXPECT_EQ(Fake().calls.back(), "midiConnect 0x2001 0x1000 0x0");

  Fake().connectResult = MMSYSERR_NOTSUPPORTED;
  midi::ConnectInputToOutput(ports);
  EXPECT_EQ(FatalTexts(), Calls{"MIDI-In und MIDI-Out k\xF6nnen nicht verbunden werden"});
}

}  // namespace
