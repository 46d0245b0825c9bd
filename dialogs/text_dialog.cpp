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
  SetForegroundWindow(dialog);
  ui::FocusControl(AnswerField);

  bool accepted = false;
  for (;;) {
    Sleep(1);
    const ui::EventKind event = ui::PollEvent();
    const ui::ControlNumber control = ui::EventControlNumber();
    const bool inFront = GetForegroundWindow() == dialog;
    const bool returnPressed = Pressed(VK_RETURN);
    const bool escapePressed = Pressed(VK_ESCAPE);
    // While another window is in front nothing answers the dialog, not even a click on OK.
    if (!inFront) continue;
    const bool okClicked = event == ui::ControlEvent && control == OkButton;
    if (okClicked || returnPressed || escapePressed || event == ui::CloseEvent) {
      accepted = okClicked || returnPressed;
      break;
    }
  }

  runtime::Text result = accepted ? ui::GetControlText(AnswerField) : runtime::Text();
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
