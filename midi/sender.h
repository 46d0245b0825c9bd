// The output device's own thread: it sends the short messages, finds out when the device is gone
// and opens it again by name when it comes back. The window thread only hands messages over and
// never waits on the driver.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "midi/ports.h"

namespace midi {

// The channel and controller of a well-formed Control Change (status 0xB0 to 0xBF, bytes below
// 0x80), or -1 for any other message. The sender keeps one waiting message per such key: a newer
// one takes the waiting one's place, so a drag never builds a backlog; every other message waits
// in turn.
constexpr int ControllerKey(DWORD message) {
  return (message & 0xFF8080F0) != 0xB0 ? -1 : static_cast<int>((message & 0x0F) << 7 | (message >> 8 & 0x7F));
}

// Called on the sender thread when the device is lost or found again; it must not wait for the
// window thread.
using StateChanged = void (*)();

// Starts the thread for the device ports.OutputHandle, opened as `device` (-1 the MIDI mapper) and
// named `name` by WinMM; from now on SendShortMessage hands its messages to it, and the thread owns
// the device.
void StartSender(const Ports& ports, std::int32_t device, std::string_view name, StateChanged stateChanged);

// False from a failed send until the device is open again.
bool OutputConnected();

// The system says devices came or went: a lost device is looked for at once.
void NoteDeviceChange();

// Hands a message to the thread; false when no sender runs.
bool QueueShortMessage(DWORD message);

// Lets the thread send what waits for a working device, close it and end; waits for that at most
// waitLimitMs. A thread stuck in the driver is left behind.
constexpr DWORD StopWaitLimitMs = 7000;
void StopSender(DWORD waitLimitMs = StopWaitLimitMs);

}  // namespace midi
