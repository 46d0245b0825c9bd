// What a screen reader learns about the named controls: their name, and for sliders that they are
// sliders and the value their display shows.
#pragma once

#include <windows.h>

namespace ui {

// Takes oleacc.dll from the system's folder and starts COM on the calling thread as a single-threaded
// apartment, the first time only: the objects are handed out through it. Where either fails, named
// controls keep the window system's objects.
void StartAccessibleObjects();

// Lets go of COM once every window is closed, and with it of the objects a screen reader still
// holds, while the heap that holds them is still there. No object is handed out afterwards.
void EndAccessibleObjects();

// Answers a named control's WM_GETOBJECT for its client area with an accessible object that wraps
// the window system's own one. Gives 0 for every other object id, and when no object could be made:
// the message then goes on to the control's class.
LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam);

}  // namespace ui
