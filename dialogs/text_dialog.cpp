#include "dialogs/text_dialog.h"

#include <windows.h>

#include "ui/controls.h"
#include "ui/window.h"

namespace dialogs {

namespace {

constexpr ui::WindowNumber DialogWindow = 999;
constexpr ui::ControlNumber MessageLabel = 996;
constexpr ui::ControlNumber OkButton = 997;
constexpr ui::ControlNumber AnswerField = 999;
constexpr std::uint32_t DialogFlags = WS_CAPTION | WS_SYSMENU | ui::CentreOnScreen;
constexpr std::uint32_t MultilineField = ES_MULTILINE | ES_AUTOVSCROLL;

// Client area, and the controls in it.
constexpr int DialogWidth = 357, DialogHeight = 120;
constexpr int MessageLeft = 10, MessageTop = 8, MessageWidth = 265, MessageHeight = 73;
constexpr int OkLeft = 288, OkTop = 8, OkWidth = 60, OkHeight = 23;
constexpr int AnswerLeft = 9, AnswerTop = 92, AnswerWidth = 339, AnswerHeight = 20;

constexpr DWORD PollIntervalMs = 1;

// Bits of GetAsyncKeyState's answer: the key is down now; it was pressed since the previous query.
constexpr unsigned short KeyDownNow = 0x8000;
constexpr unsigned short PressedSinceLastQuery = 0x0001;

// Down now and pressed since the previous query: only this exact state counts as a key press. A key
// held down since before the dialog counts only once it has been let go: its auto-repeat marks it
// pressed again and again.
bool Pressed(int key, bool& held) {
  const auto state = static_cast<unsigned short>(GetAsyncKeyState(key));
  held = held && (state & KeyDownNow) != 0;
  return !held && state == (KeyDownNow | PressedSinceLastQuery);
}

// The window that was current when the dialog was asked for; it is disabled while the dialog is up.
struct Owner {
  HWND window;
  ui::WindowNumber number;
};

Owner CurrentOwner() {
  const HWND window = ui::CurrentWindowHandle();
  return {window, window != nullptr ? ui::EventWindowNumber() : -1};
}

// Opens the dialog with the whole default answer selected, so typing replaces it, disables the
// owner and puts the dialog on top. Gives the dialog's window, or 0 when it cannot be made.
HWND OpenDialog(std::string_view title, std::string_view message, std::string_view defaultText, const Owner& owner) {
  const runtime::Text titleText(title);
  const runtime::Text answerText(defaultText);

  const HWND dialog = ui::OpenNumberedWindow(DialogWindow, 0, 0, DialogWidth, DialogHeight, DialogFlags, titleText);
  if (dialog == nullptr) return nullptr;
  ui::BeginControls(dialog);
  ui::CreateLabel(MessageLabel, MessageLeft, MessageTop, MessageWidth, MessageHeight, {}, 0);
  ui::SetControlSystemText(MessageLabel, message);
  ui::CreatePushButton(OkButton, OkLeft, OkTop, OkWidth, OkHeight, "OK", BS_DEFPUSHBUTTON);
  ui::CreateTextField(AnswerField, AnswerLeft, AnswerTop, AnswerWidth, AnswerHeight, answerText, MultilineField);
  // A screen reader would name the field after the message before it; the question is its name.
  ui::SetControlName(AnswerField, titleText);
  SendMessageA(ui::ControlHandle(AnswerField), EM_SETSEL, 0, static_cast<LPARAM>(answerText.size()));

  if (owner.window != nullptr) EnableWindow(owner.window, FALSE);
  SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  return dialog;
}

// Brings the dialog to the front, polls until OK, Return, Escape or the close box answers it and
// closes it. Gives the field's text for OK and Return, the empty text for Escape and the close box.
runtime::Text AwaitAnswer(HWND dialog) {
  // Presses made before the dialog was there must not answer it, nor keys still held from then.
  bool returnHeld = GetAsyncKeyState(VK_RETURN) < 0;
  bool escapeHeld = GetAsyncKeyState(VK_ESCAPE) < 0;
  const DWORD openedAt = GetTickCount();
  SetForegroundWindow(dialog);
  ui::FocusControl(AnswerField);

  bool accepted = false;
  bool answeredByKey = false;
  for (;;) {
    Sleep(PollIntervalMs);
    const bool inFront = GetForegroundWindow() == dialog;
    // A Return or Escape already queued answers the dialog without being dispatched to the field.
    const WPARAM queued = inFront ? ui::TakeQueuedReturnOrEscape(openedAt) : 0;
    const ui::EventKind event = queued != 0 ? ui::NoEvent : ui::PollEvent();
    const ui::ControlNumber control = ui::EventControlNumber();
    const bool returnPressed = Pressed(VK_RETURN, returnHeld) || queued == VK_RETURN;
    const bool escapePressed = Pressed(VK_ESCAPE, escapeHeld) || queued == VK_ESCAPE;
    // While another window is in front nothing answers the dialog, not even a click on OK.
    if (!inFront) continue;
    const bool okClicked = event == ui::ControlEvent && control == OkButton;
    if (okClicked || returnPressed || escapePressed || event == ui::CloseEvent) {
      accepted = okClicked || returnPressed;
      answeredByKey = returnPressed || escapePressed;
      break;
    }
  }

  runtime::Text result = accepted ? ui::GetControlText(AnswerField) : runtime::Text();
  // The answering key belongs to the dialog, not to the window that comes next.
  if (answeredByKey) ui::DropQueuedKeyMessages();
  ui::CloseNumberedWindow(DialogWindow);
  return result;
}

// Enables the owner again, brings it back to the front and lets it handle what its re-activation
// queued.
void RestoreOwner(const Owner& owner) {
  if (owner.window == nullptr) return;
  EnableWindow(owner.window, TRUE);
  SetForegroundWindow(owner.window);
  ui::SelectWindow(owner.number);
  while (ui::PollEvent() != ui::NoEvent) {
  }
}

}  // namespace

runtime::Text AskText(std::string_view title, std::string_view message, std::string_view defaultText) {
  const Owner owner = CurrentOwner();
  const HWND dialog = OpenDialog(title, message, defaultText, owner);
  if (dialog == nullptr) return {};
  const runtime::Text answer = AwaitAnswer(dialog);
  RestoreOwner(owner);
  return answer;
}

}  // namespace dialogs
