// The verbs of winlook that live in files of their own (winlook.cpp says what each does).
#pragma once

#include <windows.h>

#include <cstdint>

// Waits up to `timeout` ms for a message box titled `title` (any process of the Wine session) that
// shows its message, prints "text: " and the message (printable.h) and "buttons: " and its buttons,
// and closes it with its OK button. Exit code 0 when a box came, 1 when none did.
int AnswerBox(const char* title, DWORD timeout);

namespace winlook {

int Usage(const char* title);                                            // process_reader.cpp
int Latency(long count, const char* logPath);                            // latency_probe.cpp
int Soak(long sliders, long presses, std::uint32_t seed, long samples);  // panel_driver.cpp

}  // namespace winlook
