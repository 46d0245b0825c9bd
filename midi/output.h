// The MIDI output side: device names, opening, short and long messages, closing.
// A failure to find or open a device is fatal: the text goes to RaiseFatalError (midi/fatal_error.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "midi/ports.h"
#include "runtime/text.h"

namespace midi {

// Fills ports.OutputNames; with no output device at all the program ends with a message.
void EnumerateOutputDevices(Ports& ports);

// Opens the device (-1 is the MIDI mapper) into ports.OutputHandle, or ends the program with a
// message that lists the devices.
void OpenOutputDevice(Ports& ports, std::int32_t index);

// The name shown for output device `index`: its entry in ports.OutputNames for devices 0 to 16;
// for the MIDI mapper (-1) and devices above 16, which have no entry, the product name WinMM gives
// for it, or "MIDI-OUT " and the number when WinMM knows no such device.
runtime::Text OutputDeviceName(const Ports& ports, std::int32_t index);

// A short message as WinMM takes it: status | data1 << 8 | data2 << 16, unmasked.
constexpr std::uint32_t ShortMessage(std::int32_t status, std::int32_t data1, std::int32_t data2) {
  return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
         static_cast<std::uint32_t>(data2) << 16;
}

// Sends ShortMessage(status, data1, data2) to the open device, through the sender thread once it
// runs (midi/sender.h). Returns 0.
std::int32_t SendShortMessage(const Ports& ports, std::int32_t status, std::int32_t data1, std::int32_t data2);

// How long closing waits at most for a driver that is still playing.
constexpr DWORD CloseWaitLimitMs = 7000;

// Closes the device. One that answers that it is still playing is reset and asked again after a
// pause, for at most waitLimitMs.
void CloseDevice(HMIDIOUT handle, DWORD waitLimitMs);
void CloseOutputDevice(const Ports& ports);

// The pause between two tries of a driver that is busy: 1 ms at first, growing to 32 ms (start
// with 0). False, with no pause, once limitMs have passed since `start` (a GetTickCount64
// time): the driver is asked no more.
bool PauseBeforeAskingAgain(DWORD& pauseMs, ULONGLONG start, DWORD limitMs);

// How long SendSysEx waits at most for the driver to hand a long message back.
constexpr std::uint32_t SysExWaitLimitMs = 2000;

// Sends a block (32-bit little-endian count, then that many bytes) as one system exclusive message
// and returns once the driver has let go of it. A driver still holding it after waitLimitMs is
// reset, which makes it hand back every buffer it holds, so that the header and the block are free
// when this returns. Returns 0.
std::int32_t SendSysEx(const Ports& ports, const unsigned char* block,
                       std::uint32_t waitLimitMs = SysExWaitLimitMs);

}  // namespace midi
