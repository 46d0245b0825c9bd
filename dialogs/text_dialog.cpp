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
constexpr std::uint32_t DialogFlags = 0xC80001;     // caption and system menu, centred on the screen
constexpr std::uint32_t DefaultPushButton = 1;       // BS_DEFPUSHBUTTON
constexpr std::uint32_t MultilineField = 0x44;       // ES_MULTILINE | ES_AUTOVSCROLL

// Down now and pressed since the previous query: only this exact state counts as a key press.
bool Pressed(int key) { return static_cast<unsigned short>(GetAsyncKeyState(key)) == 0x8001; }

// Takes a Return or Escape press waiting in this thread's queue, if it went down (not a repeat)
// since `since`, and says which it was. Some platforms (Wine among them) update the asynchronous key
// state only after the key message has been fetched; without this look the Return would be
// dispatched first and its line break would replace the selected answer. The press is taken out of
// the queue, so it cannot reach a field later either. Its character counts too: the key message may
// have been fetched a moment before, leaving only the character that would type the line break.
WPARAM TakeAnsweringKey(DWORD since) {
  MSG next;
  if (!PeekMessageA(&next, nullptr, WM_KEYDOWN, WM_CHAR, PM_NOREMOVE)) return 0;
  WPARAM key = 0;
  if (next.message == WM_KEYDOWN && (next.wParam == VK_RETURN || next.wParam == VK_ESCAPE)) key = next.wParam;
  if (next.message == WM_CHAR && next.wParam == '\r') key = VK_RETURN;
  if (next.message == WM_CHAR && next.wParam == 0x1B) key = VK_ESCAPE;
  const bool repeat = (next.lParam & 0x40000000) != 0;
  const bool early = static_cast<LONG>(next.time - since) < 0;
  if (key == 0 || repeat || early) return 0;
  PeekMessageA(&next, nullptr, next.message, next.message, PM_REMOVE);
  return key;
}

// The key that answered the dialog may still wait in the queue. It belongs to the dialog, not to the
// window that comes next: an error box would take the Return as its own OK and vanish unread.
void DropKeyMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

}  // namespace

runtime::Text AskText(std::string_view title, std::string_view message, std::string_view defaultText) {
  const runtime::Text titleText = runtime::MakeText(title);
  const runtime::Text messageText = runtime::MakeText(message);
  const runtime::Text answerText = runtime::MakeText(defaultText);

  const HWND owner = ui::CurrentWindowHandle();
  const ui::WindowNumber ownerNumber = owner != nullptr ? ui::EventWindowNumber() : -1;

  const HWND dialog = ui::OpenNumberedWindow(DialogWindow, 0, 0, 357, 120, DialogFlags, titleText);
  if (dialog == nullptr) return {};
  ui::BeginControls(dialog);
  ui::CreateLabel(MessageLabel, 10, 8, 265, 73, messageText, 0);
  ui::CreatePushButton(OkButton, 288, 8, 60, 23, "OK", DefaultPushButton);
  ui::CreateTextField(AnswerField, 9, 92, 339, 20, answerText, MultilineField);
  // The whole default answer starts selected, so typing replaces it.
  SendMessageA(ui::ControlHandle(AnswerField), EM_SETSEL, 0, static_cast<LPARAM>(answerText.size()));

  if (owner != nullptr) EnableWindow(owner, FALSE);
  SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  // Presses made before the dialog was there must not answer it.
  GetAsyncKeyState(VK_RETURN);
  GetAsyncKeyState(VK_ESCAPE);
  const DWORD openedAt = GetTickCount();
  SetForegroundWindow(dialog);
  ui::FocusControl(AnswerField);

  bool accepted = false;
  bool answeredByKey = false;
  for (;;) {
    Sleep(1);
    const bool inFront = GetForegroundWindow() == dialog;
    // A Return or Escape already queued answers the dialog without being dispatched to the field.
    const WPARAM queued = inFront ? TakeAnsweringKey(openedAt) : 0;
    const ui::EventKind event = queued != 0 ? ui::NoEvent : ui::PollEvent();
    const ui::ControlNumber control = ui::EventControlNumber();
    const bool returnPressed = Pressed(VK_RETURN) || queued == VK_RETURN;
    const bool escapePressed = Pressed(VK_ESCAPE) || queued == VK_ESCAPE;
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
  if (answeredByKey) DropKeyMessages();
  ui::CloseNumberedWindow(DialogWindow);

  if (owner != nullptr) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
    ui::SelectWindow(ownerNumber);
    while (ui::PollEvent() != ui::NoEvent) {
    }
  }
  return result;
}

}  // namespace dialogs
