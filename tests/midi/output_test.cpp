#include "midi/output.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/midi/fake_winmm.h"

namespace {

using Calls = std::vector<std::string>;
using OutputTest = MidiTest;

TEST_F(OutputTest, NoDeviceIsFatalBeforeAnyQuery) {
  midi::Ports ports;
  midi::EnumerateOutputDevices(ports);
  EXPECT_EQ(FatalTexts(), Calls{"kein Midi OUT Ger\xE4t vorhanden"});
  EXPECT_EQ(Fake().calls, Calls{"midiOutGetNumDevs"});
}

TEST_F(OutputTest, NamesAreCopiedFromThe52ByteRecord) {
  const std::string full(32, 'N');  // fills the field, no NUL
  Fake().outNames = {"Alpha", "Broken", full};
  Fake().failingCaps = {1};
  midi::Ports ports;
  midi::EnumerateOutputDevices(ports);

  EXPECT_TRUE(FatalTexts().empty());
  EXPECT_EQ(Fake().calls, (Calls{"midiOutGetNumDevs", "midiOutGetDevCapsA 0 52", "midiOutGetDevCapsA 1 52",
                                 "midiOutGetDevCapsA 2 52"}));
  EXPECT_EQ(ports.OutputNames[0], "Alpha");
  EXPECT_EQ(ports.OutputNames[1], "");  // a failed query must not leave the previous name behind
  EXPECT_EQ(ports.OutputNames[2], full.c_str());
  EXPECT_EQ(ports.OutputNames[2].size(), 32u);
}

TEST_F(OutputTest, DevicesPast16HaveNoEntryAndThe17thIsNotListed) {
  for (int i = 0; i < 20; ++i) Fake().outNames.push_back("Dev" + std::to_string(i));
  Fake().outOpenResult = MMSYSERR_BADDEVICEID;
  midi::Ports ports;
  midi::EnumerateOutputDevices(ports);
  EXPECT_EQ(Fake().calls.back(), "midiOutGetDevCapsA 19 52");
  EXPECT_EQ(ports.OutputNames[16], "Dev16");

  midi::OpenOutputDevice(ports, 19);
  std::string list = "\r\n";
  for (int i = 0; i < 16; ++i) list += std::to_string(i) + " = Dev" + std::to_string(i) + "\r\n";
  EXPECT_EQ(FatalTexts(), Calls{"\xD6" "ffnen des MIDI-OUT Ger\xE4tes [19] nicht m\xF6glich" + list});
}

TEST_F(OutputTest, OpenPassesTheIndexUnchangedAndKeepsTheHandle) {
  midi::Ports ports;
  midi::OpenOutputDevice(ports, -1);
  EXPECT_EQ(Fake().calls, Calls{"midiOutOpen 0xFFFFFFFF 0 0 0x0"});
  EXPECT_EQ(ports.OutputHandle, reinterpret_cast<HMIDIOUT>(0x1FFF));
  EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(OutputTest, OpenFailureListsTheNamedDevices) {
  Fake().outOpenResult = MMSYSERR_ALLOCATED;
  midi::Ports ports;
  ports.OutputNames[0] = "A";
  ports.OutputNames[1] = "B";
  midi::OpenOutputDevice(ports, 5);
  EXPECT_EQ(FatalTexts(), Calls{"\xD6" "ffnen des MIDI-OUT Ger\xE4tes [5] nicht m\xF6glich\r\n0 = A\r\n1 = B\r\n"});
  EXPECT_EQ(ports.OutputHandle, nullptr);  // still 0: the device never opened
}

TEST_F(OutputTest, ShortMessagesArePackedUnmasked) {
  midi::Ports ports;
  ports.OutputHandle = reinterpret_cast<HMIDIOUT>(0x1002);
  EXPECT_EQ(midi::SendShortMessage(ports, 0xB0, 12, 127), 0);
  midi::SendShortMessage(ports, 0xB0, 0x180, 0);
  EXPECT_EQ(Fake().calls, (Calls{"midiOutShortMsg 0x1002 0x007F0CB0", "midiOutShortMsg 0x1002 0x000180B0"}));
}

TEST_F(OutputTest, CloseResetsAndAsksAgainOnlyWhileStillPlaying) {
  midi::Ports ports;
  ports.OutputHandle = reinterpret_cast<HMIDIOUT>(0x1002);
  Fake().closeResults = {MIDIERR_STILLPLAYING, MIDIERR_STILLPLAYING, MMSYSERR_NOERROR};
  midi::CloseOutputDevice(ports);
  EXPECT_EQ(Fake().calls, (Calls{"midiOutClose 0x1002", "midiOutReset 0x1002", "midiOutClose 0x1002",
                                 "midiOutReset 0x1002", "midiOutClose 0x1002"}));

  Fake().calls.clear();
  Fake().closeResults = {MMSYSERR_INVALHANDLE};
  midi::CloseOutputDevice(ports);
  EXPECT_EQ(Fake().calls.size(), 1u);
  EXPECT_EQ(ports.OutputHandle, reinterpret_cast<HMIDIOUT>(0x1002));
}

const unsigned char SysExBlock[] = {6, 0, 0, 0, 0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
const std::string HeaderSize = std::to_string(sizeof(MIDIHDR));

TEST_F(OutputTest, SysExHeaderCarriesTheBlockAfterItsCount) {
  midi::Ports ports;
  EXPECT_EQ(midi::SendSysEx(ports, SysExBlock), 0);
  EXPECT_EQ(Fake().calls, (Calls{"midiOutPrepareHeader " + HeaderSize, "midiOutLongMsg " + HeaderSize,
                                 "midiOutUnprepareHeader " + HeaderSize}));
  MIDIHDR expected{};
  expected.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char*>(SysExBlock + 4));
  expected.dwBufferLength = expected.dwBytesRecorded = 6;
  EXPECT_EQ(std::memcmp(&Fake().preparedHeader, &expected, sizeof expected), 0);
}

TEST_F(OutputTest, SysExWaitsUntilTheDriverLetsGoOfTheBlock) {
  midi::Ports ports;
  Fake().stillPlaying = 3;
  midi::SendSysEx(ports, SysExBlock);
  EXPECT_EQ(Fake().calls.size(), 2u + 4u);  // three "still playing", then the unprepare that counts
  EXPECT_EQ(Fake().stillPlaying, 0);
}

TEST_F(OutputTest, SysExResetsADriverThatNeverFinishesAndUnpreparesOnlyThen) {
  midi::Ports ports;
  ports.OutputHandle = reinterpret_cast<HMIDIOUT>(0x1002);
  Fake().stillPlaying = -1;
  EXPECT_EQ(midi::SendSysEx(ports, SysExBlock, 0), 0);  // no wait: the first "still playing" is the last
  EXPECT_EQ(Fake().calls, (Calls{"midiOutPrepareHeader " + HeaderSize, "midiOutLongMsg " + HeaderSize,
                                 "midiOutUnprepareHeader " + HeaderSize, "midiOutReset 0x1002",
                                 "midiOutUnprepareHeader " + HeaderSize}));
}

}  // namespace
