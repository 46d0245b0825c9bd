// Numbered controls: labels, push buttons, text fields and sliders, reached by ControlNumber.
//
// One registry serves the controls of all windows. Each control's window identifier is its number,
// which is how the window layer names the control behind an event. Creating a control under a
// number in use replaces the old control; destroying a control's window frees its number.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "runtime/text.h"
#include "ui/window.h"

namespace ui {

constexpr ControlNumber AutoControlNumber = -1;

// Label flags: the sunken client edge. For text fields the same bit takes the default edge away.
constexpr std::uint32_t ClientEdgeFlag = 0x20000;

// Once, at start-up, after the private heap exists and before the first window is made. Starts COM
// on the calling thread as a single-threaded apartment (the first time only), which the accessible
// objects of named controls need, with oleacc.dll from the system's folder; where either is missing,
// they are left out.
void InitControls(HINSTANCE instance);

// At the end, once every window is closed and before the private heap goes: lets go of COM, and with
// it of the accessible objects a screen reader still holds.
void EndControls();

// The parent of every control created from now on; returned unchanged.
HWND BeginControls(HWND parent);

// Constructors return the control's window, 0 if none was created, or with AutoControlNumber the
// identity the layer chose (as a handle-sized value), which then serves as the control's number.
// Chosen identities count down from -2; numbers below -1 and above LargestNumber are refused.
HWND CreateLabel(ControlNumber number, int x, int y, int width, int height, std::string_view text,
                 std::uint32_t flags = 0);
HWND CreatePushButton(ControlNumber number, int x, int y, int width, int height, std::string_view text,
                      std::uint32_t flags = 0);
HWND CreateTextField(ControlNumber number, int x, int y, int width, int height, std::string_view text,
                     std::uint32_t flags);
// The range is clamped to 0..LargestSliderValue; a vertical slider reads 0 at the bottom and its
// maximum at the top.
constexpr std::int32_t LargestSliderValue = 10000;
HWND CreateSlider(ControlNumber number, int x, int y, int width, int height, std::int32_t minimum,
                  std::int32_t maximum, std::uint32_t flags = 0);

// Without a live control under the number these give 0, the empty text and false, and touch no window.
std::int32_t GetControlState(ControlNumber number);
runtime::Text GetControlText(ControlNumber number);  // at most 31,999 characters
bool SetControlText(ControlNumber number, std::string_view text);
// Sets head followed by tail, the head cut short and ending in "..." where the whole would not fit on
// one line of the control in its font: the tail is always seen. The head is in the system's code page
// and is cut between characters. Without a live control under the number nothing happens.
void SetControlTextKeepingTail(ControlNumber number, std::string_view head, std::string_view tail);
// Sets the text from text that came from the system (device names, one to a line), read in the
// system's ANSI code page with each line converted on its own, so that a malformed line cannot run
// into the next one. Without a live control under the number nothing happens.
void SetControlSystemText(ControlNumber number, std::string_view text);

// The name a screen reader announces for the control, in Windows-1252; longer names are cut to 31
// characters. A slider so named also tells a screen reader that it is a slider and, as its value,
// the state GetControlState reads. Controls left unnamed keep the name the window system gives them
// (for a control without text of its own, the label before it).
void SetControlName(ControlNumber number, std::string_view name);

// Without a live control under the number, the thread's windows lose the keyboard focus.
void FocusControl(ControlNumber number);
HWND ControlHandle(ControlNumber number);  // 0 if there is no live control under the number

}  // namespace ui
