#include "midi/winmm_api.h"

#include <cstring>

#include "midi/fatal_error.h"
#include "runtime/system_library.h"

namespace midi {

namespace {

// The functions' names in the table's order, one after another, each ended by its zero.
constexpr char Names[] =
    "midiOutGetNumDevs\0midiOutGetDevCapsA\0midiOutOpen\0midiOutShortMsg\0midiOutClose\0"
    "midiOutPrepareHeader\0midiOutLongMsg\0midiOutUnprepareHeader\0midiOutReset\0midiInGetNumDevs\0"
    "midiInGetDevCapsA\0midiInOpen\0midiInStart\0midiConnect";
constexpr std::size_t FunctionCount = sizeof(WinmmApi) / sizeof(FARPROC);
static_assert(sizeof(WinmmApi) == FunctionCount * sizeof(FARPROC), "the table holds function pointers alone");
constexpr std::size_t NameCount() {
  std::size_t count = 0;
  for (const char c : Names) count += c == '\0';
  return count;
}
static_assert(NameCount() == FunctionCount, "a name for every function of the table");

WinmmApi table{};

}  // namespace

WinmmApi& Winmm() { return table; }

void LoadWinmm() {
  const HMODULE module = runtime::LoadSystemLibrary(L"winmm.dll");
  FARPROC found[FunctionCount];
  const char* name = Names;
  for (FARPROC& function : found) {
    if (!runtime::FindFunction(function, module, name)) {
      return RaiseFatalError("Die MIDI-Bibliothek des Systems (winmm.dll) fehlt oder ist unvollst\xE4ndig");
    }
    name += std::strlen(name) + 1;
  }
  std::memcpy(&table, found, sizeof table);
}

}  // namespace midi
