#include "tests/midi/fake_winmm.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

#include "midi/fatal_error.h"

namespace {

// Stands in for the program's road out: the text is kept and the caller goes on.
void KeepFatalText(std::string_view text, std::string_view systemText) {
  FatalTexts().emplace_back(std::string(text) + std::string(systemText));
}

FakeWinmm fake;
constexpr UINT_PTR OutHandleBase = 0x1000, InHandleBase = 0x2000;

template <class Handle>
std::size_t Bits(Handle handle) { return reinterpret_cast<std::size_t>(handle); }

template <class... A>
void Record(const char* format, A... args) {
  static std::mutex lock;
  char line[160];
  std::snprintf(line, sizeof line, format, args...);
  const std::lock_guard<std::mutex> held(lock);
  fake.calls.emplace_back(line);
}

template <class Caps>
MMRESULT FillCaps(const std::vector<std::string>& names, UINT_PTR device, Caps* caps) {
  if (fake.failingCaps.count(static_cast<UINT>(device)) != 0) return MMSYSERR_ERROR;
  std::memset(caps->szPname, 0, sizeof caps->szPname);
  const std::string& name = names.at(device);
  std::memcpy(caps->szPname, name.data(), std::min(name.size(), sizeof caps->szPname));
  return MMSYSERR_NOERROR;
}

UINT WINAPI OutCount() { return Record("midiOutGetNumDevs"), static_cast<UINT>(fake.outNames.size()); }
UINT WINAPI InCount() { return Record("midiInGetNumDevs"), static_cast<UINT>(fake.inNames.size()); }

MMRESULT WINAPI OutCaps(UINT_PTR device, LPMIDIOUTCAPSA caps, UINT size) {
  Record("midiOutGetDevCapsA %u %u", static_cast<UINT>(device), size);
  return FillCaps(fake.outNames, device, caps);
}
MMRESULT WINAPI InCaps(UINT_PTR device, LPMIDIINCAPSA caps, UINT size) {
  Record("midiInGetDevCapsA %u %u", static_cast<UINT>(device), size);
  return FillCaps(fake.inNames, device, caps);
}

MMRESULT WINAPI OutOpen(LPHMIDIOUT handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  Record("midiOutOpen 0x%X %zu %zu 0x%lX", device, size_t(callback), size_t(instance), flags);
  *handle = fake.outOpenResult == 0 ? reinterpret_cast<HMIDIOUT>(OutHandleBase + (device & 0xFFF)) : nullptr;
  return fake.outOpenResult;
}
MMRESULT WINAPI InOpen(LPHMIDIIN handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  Record("midiInOpen %u %zu 0x%lX", device, size_t(instance), flags);
  fake.inCallback = callback;
  *handle = fake.inOpenResult == 0 ? reinterpret_cast<HMIDIIN>(InHandleBase + device) : nullptr;
  return fake.inOpenResult;
}

MMRESULT WINAPI ShortMsg(HMIDIOUT handle, DWORD message) {
  if (fake.shortMsgGate != nullptr) WaitForSingleObject(fake.shortMsgGate, INFINITE);
  Sleep(fake.shortMsgDelayMs);
  Record("midiOutShortMsg 0x%zX 0x%08lX", Bits(handle), message);
  return fake.notReady < 0 || (fake.notReady > 0 && fake.notReady-- > 0) ? MIDIERR_NOTREADY : 0;
}
MMRESULT WINAPI Close(HMIDIOUT handle) {
  Record("midiOutClose 0x%zX", Bits(handle));
  if (fake.closeResults.empty()) return 0;
  const MMRESULT result = fake.closeResults.front();
  fake.closeResults.erase(fake.closeResults.begin());
  return result;
}

MMRESULT WINAPI Prepare(HMIDIOUT, LPMIDIHDR header, UINT size) {
  Record("midiOutPrepareHeader %u", size);
  fake.preparedHeader = *header;
  return 0;
}
MMRESULT WINAPI LongMsg(HMIDIOUT, LPMIDIHDR, UINT size) { return Record("midiOutLongMsg %u", size), 0; }
MMRESULT WINAPI Unprepare(HMIDIOUT, LPMIDIHDR, UINT size) {
  Record("midiOutUnprepareHeader %u", size);
  if (fake.stillPlaying == 0) return 0;
  if (fake.stillPlaying > 0) --fake.stillPlaying;
  return MIDIERR_STILLPLAYING;
}

// The driver hands back every buffer it holds.
MMRESULT WINAPI Reset(HMIDIOUT handle) {
  Record("midiOutReset 0x%zX", Bits(handle));
  fake.stillPlaying = 0;
  return 0;
}

MMRESULT WINAPI Start(HMIDIIN handle) { return Record("midiInStart 0x%zX", Bits(handle)), fake.inStartResult; }
MMRESULT WINAPI Connect(HMIDI input, HMIDIOUT output, LPVOID reserved) {
  Record("midiConnect 0x%zX 0x%zX 0x%zX", Bits(input), Bits(output), Bits(reserved));
  return fake.connectResult;
}

}  // namespace

FakeWinmm& Fake() { return fake; }

std::vector<std::string>& FatalTexts() {
  static std::vector<std::string> texts;
  return texts;
}

void MidiTest::TearDown() {
  midi::Winmm() = {};
  midi::SetFatalErrorHandler(nullptr);
}

void MidiTest::SetUp() {
  fake = FakeWinmm{};
  FatalTexts().clear();
  midi::SetFatalErrorHandler(KeepFatalText);
  midi::Winmm() = {OutCount, OutCaps, OutOpen, ShortMsg, Close,  Prepare, LongMsg,
                   Unprepare, Reset,  InCount, InCaps,  InOpen, Start,   Connect};
}
