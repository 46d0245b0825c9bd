// The verbs of winlook that live in files of their own.
#pragma once

#include <windows.h>

// Waits up to `timeout` ms for a message box titled `title` (any process of the Wine session) that
// shows its message, prints "text: " and the message (printable.h) and "buttons: " and its buttons,
// and closes it with its OK button. Exit code 0 when a box came, 1 when none did.
int AnswerBox(const char* title, DWORD timeout);
