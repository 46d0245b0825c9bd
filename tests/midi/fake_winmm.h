// A WinMM stand-in for the port layer's tests: devices and results set per test, every call
// written down as one line of text.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "midi/winmm_api.h"

struct FakeWinmm {
  std::vector<std::string> outNames, inNames;  // the devices; their count is the device count
  std::set<UINT> failingCaps;                  // devices whose capability query fails (record untouched)
  MMRESULT outOpenResult = 0, inOpenResult = 0, inStartResult = 0, connectResult = 0;
  std::vector<MMRESULT> closeResults;  // answered in turn, then 0
  int stillPlaying = 0;  // unprepare answers MIDIERR_STILLPLAYING this often; -1: until midiOutReset
  HANDLE shortMsgGate = nullptr;  // when set, a short message waits for it to open
  DWORD shortMsgDelayMs = 0;
  int notReady = 0;  // short messages answered MIDIERR_NOTREADY before the driver takes them; -1: all
  MIDIHDR preparedHeader{};            // the header as midiOutPrepareHeader saw it
  DWORD_PTR inCallback = 0;
  std::vector<std::string> calls;  // written by the sender's threads too, under a lock
};

// The fake in use; MidiTest installs a fresh one for every test.
FakeWinmm& Fake();

// The texts the port layer raised as fatal errors.
std::vector<std::string>& FatalTexts();

class MidiTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
