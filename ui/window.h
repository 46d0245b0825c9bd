// Numbered top-level windows and the one stream of events they produce.
//
// The application names its windows by numbers of its own choosing and reads events one at a time.
// Each fetch handles at most one Win32 message: it runs the active window's Tab accelerators,
// dispatches the message and returns the event kind that NumberedWindowProc recorded for it, or else
// the message's own identifier. The Win32 queue is the only queue; the layer keeps two single slots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace ui {

using WindowNumber = std::int32_t;
using ControlNumber = std::int32_t;
using EventKind = std::int32_t;

// Asks the layer to choose the number; the chosen number never collides with a table index or -1.
constexpr WindowNumber AutoWindowNumber = -1;

// The largest number a window or a control can be made under. Larger numbers, and numbers below -1
// that the layer did not choose itself, are refused: nothing is made and the constructor returns 0.
constexpr std::int32_t LargestNumber = 65535;

// Event kinds.
constexpr EventKind NoEvent = 0;  // PollEvent only: nothing was waiting
constexpr EventKind MoveEvent = WM_MOVE;
constexpr EventKind SizeEvent = WM_SIZE;
constexpr EventKind CloseEvent = WM_CLOSE;  // the window stays open until the application closes it
constexpr EventKind ControlEvent = 13100;
constexpr EventKind CommandEvent = 13101;
constexpr EventKind RelayedClickEvent = 13102;
constexpr EventKind ActivateEvent = 13104;

// Raised from any thread by PostNotice; it carries nothing, so whoever reads it asks its source what
// changed. Any process can post it as well, which does no more harm than one asking too often.
constexpr EventKind NoticeEvent = 13105;
// The system says devices came or went (WM_DEVICECHANGE, which it sends to every top-level window).
constexpr EventKind DeviceChangeEvent = 13106;

// Posted by a text field to its top-level window when it gains or loses the focus.
constexpr UINT ControlFocusMessage = 13103;
constexpr LPARAM FocusGainedCode = 14000;
constexpr LPARAM FocusLostCode = 14001;

// Commands of the Tab and Shift+Tab accelerators that every numbered window gets.
constexpr WORD NavigateNextCommand = 1212;
constexpr WORD NavigatePreviousCommand = 1213;

// Placement and visibility bits of OpenNumberedWindow's flags; all other bits are the window style.
constexpr std::uint32_t CentreOnScreen = 0x00000001;
constexpr std::uint32_t CentreOnActiveWindow = 0x00000002;
constexpr std::uint32_t CreateHidden = 0x10000000;

// Once, at start-up, after the private heap exists.
void InitWindowLayer(HINSTANCE instance);

// Positions and sizes are given at 96 DPI, and the layer scales them to the DPI of the window that
// holds them, this way and no other: value * DPI / 96, rounded to the nearest pixel (halves away
// from zero). At 96 DPI every number stays as given.
int ScaleToDpi(int value, UINT dpi);

// The DPI a window is laid out for and the font its controls get: those of the numbered window that
// holds it (itself or an ancestor); 96 and DEFAULT_GUI_FONT for any other window.
UINT WindowDpi(HWND window);
HFONT WindowFont(HWND window);

// Opens a window whose client area is width x height, outer top-left corner at (x, y) unless a
// placement bit says otherwise, all scaled to the window's DPI; a window already under the number is
// destroyed first. It lays itself out again when the system moves it to a screen of another DPI
// (WM_DPICHANGED). Returns the handle, 0 on failure, or with AutoWindowNumber the chosen number (as
// a handle-sized value).
HWND OpenNumberedWindow(WindowNumber number, int x, int y, int width, int height, std::uint32_t flags,
                        std::string_view title);

HWND WindowHandle(WindowNumber number);  // 0 if the number has no window
HWND SelectWindow(WindowNumber number);  // makes it current; a number without a window sets 0
HWND CurrentWindowHandle();
WindowNumber EventWindowNumber();  // the window of the last event, -1 if it is not numbered

EventKind WaitEvent();  // blocks until a message is there
EventKind PollEvent();  // never waits; NoEvent when nothing is waiting
// The control of the event just fetched, NoControlNumber when it carried none. A fetch clears it, so
// that a message that only looks like an event (another program may post any) names no control.
constexpr ControlNumber NoControlNumber = -10000;
ControlNumber EventControlNumber();

// Takes a Return or Escape waiting in this thread's queue and says which it was, VK_RETURN or
// VK_ESCAPE, if it went down (not a repeat) at or after `since` (a GetTickCount time); else 0. Some
// platforms (Wine among them) update the asynchronous key state only after the key message has been
// fetched; a dialog that waits for the key state alone would dispatch the Return first, and its line
// break would replace the selected answer. The press is taken out of the queue, so it cannot reach a
// text field later either. Its character counts too: the key message may have been fetched a moment
// before, leaving only the character that would type the line break. A press from before `since` is
// taken out as well but gives 0: dispatched, it would be translated into a character of a later time,
// which would answer as a new press. So is a repeat of a key held down, which would type a line
// break.
WPARAM TakeQueuedReturnOrEscape(DWORD since);

// Drops every key message waiting in this thread's queue. The key that answered a dialog may still
// wait there; it belongs to the dialog, not to the window that comes next: an error box would take
// a Return as its own OK and vanish unread.
void DropQueuedKeyMessages();

// Safe on any thread: posts NoticeEvent to the window and never waits for it.
bool PostNotice(HWND window);

void CloseNumberedWindow(WindowNumber number);
void CloseAllWindows();

}  // namespace ui
