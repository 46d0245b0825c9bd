// The text dialog on real windows: a second thread plays the user, with input injected by SendInput.
#include "dialogs/text_dialog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "dialogs/device_chooser.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void Key(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

void Press(WORD key) {
  Key(key, true);
  // Held long enough for the dialog's polling to see it down: Wine keeps a thread's asynchronous
  // key state cached for up to 50 ms, so a shorter press can be over before the dialog learns of it.
  Sleep(150);
  Key(key, false);
}

void ClickAt(POINT point) {
  SetCursorPos(point.x, point.y);
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &input[0], sizeof(INPUT));
  Sleep(40);
  SendInput(1, &input[1], sizeof(INPUT));
}

// Waits (bounded) until the dialog is up and in front, then plays the user's part on this thread.
HWND WaitForDialog() {
  for (int i = 0; i < 2000; ++i) {
    HWND dialog = FindWindowA("WindowClass_999", nullptr);
    if (dialog != nullptr && GetForegroundWindow() == dialog) return dialog;
    Sleep(5);
  }
  return nullptr;
}

class User {
 public:
  explicit User(std::function<void(HWND)> part)
      : thread_([this, part] {
          HWND dialog = WaitForDialog();
          found_ = dialog != nullptr;
          if (dialog == nullptr) {
            // Nothing to answer: let the dialog go so the test can report instead of hanging.
            HWND late = FindWindowA("WindowClass_999", nullptr);
            char front[128] = {};
            GetWindowTextA(GetForegroundWindow(), front, sizeof front);
            ADD_FAILURE() << "gave up after 2000 looks 5 ms apart waiting for the dialog in front; the dialog "
                          << (late != nullptr ? "was there" : "was not there") << ", the window in front was \""
                          << front << "\"";
            if (late != nullptr) PostMessageA(late, WM_CLOSE, 0, 0);
            return;
          }
          Sleep(50);
          part(dialog);
          // A dialog that did not take the answer would wait for ever: report it and close it.
          for (int i = 0; i < 500 && IsWindow(dialog); ++i) Sleep(10);
          if (IsWindow(dialog)) {
            ADD_FAILURE() << "the dialog did not take the user's answer";
            while (IsWindow(dialog)) {
              SetForegroundWindow(dialog);
              PostMessageA(dialog, WM_CLOSE, 0, 0);
              Sleep(50);
            }
          }
        }) {}
  ~User() { thread_.join(); }
  bool FoundDialog() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

class TextDialog : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::InitWindowLayer(Instance());
    ui::InitControls(Instance());
  }
};

TEST_F(TextDialog, ReturnAcceptsTheUntouchedDefault) {
  // Under Wine the asynchronous key state lags behind the key message; the Return must still answer
  // the dialog before its line break can replace the selected default.
  for (int round = 0; round < 5; ++round) {
    runtime::Text answer;
    MSG left{};
    bool keyLeft = false;
    {
      User user([](HWND) { Press(VK_RETURN); });
      answer = dialogs::AskText("Title", "Message", "2");
      // The Return belongs to the dialog: the next window (an error box) must not get it as its OK.
      keyLeft = PeekMessageA(&left, nullptr, WM_KEYDOWN, WM_CHAR, PM_NOREMOVE) && left.message != WM_KEYUP;
    }
    EXPECT_EQ(answer, "2") << "round " << round;
    EXPECT_FALSE(keyLeft) << "message " << left.message << " key " << left.wParam;
  }
  EXPECT_EQ(FindWindowA("WindowClass_999", nullptr), nullptr) << "the dialog leaves no window behind";
}

TEST_F(TextDialog, TypingReplacesTheSelectedDefault) {
  runtime::Text answer;
  {
    User user([](HWND) {
      Press('7');
      Press(VK_RETURN);
    });
    answer = dialogs::AskText("Title", "Message", "2");
  }
  EXPECT_EQ(answer, "7");
}

TEST_F(TextDialog, EscapeAndCloseGiveTheEmptyText) {
  {
    User user([](HWND) { Press(VK_ESCAPE); });
    EXPECT_EQ(dialogs::AskText("Title", "Message", "2"), "");
  }
  {
    User user([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); });
    EXPECT_EQ(dialogs::AskText("Title", "Message", "2"), "");
  }
}

TEST_F(TextDialog, OkButtonAcceptsAndTheWindowIsBuiltAsLaidOut) {
  struct Seen {
    std::string title, message, field, ok;
    RECT client{}, okRect{};
    DWORD selection = 0;
    LONG fieldStyle = 0, fieldExStyle = 0;
  } seen;
  runtime::Text answer;
  {
    User user([&seen](HWND dialog) {
      char buffer[256];
      GetWindowTextA(dialog, buffer, sizeof buffer);
      seen.title = buffer;
      GetWindowTextA(GetDlgItem(dialog, 996), buffer, sizeof buffer);
      seen.message = buffer;
      GetWindowTextA(GetDlgItem(dialog, 999), buffer, sizeof buffer);
      seen.field = buffer;
      GetWindowTextA(GetDlgItem(dialog, 997), buffer, sizeof buffer);
      seen.ok = buffer;
      GetClientRect(dialog, &seen.client);
      seen.selection = static_cast<DWORD>(SendMessageA(GetDlgItem(dialog, 999), EM_GETSEL, 0, 0));
      seen.fieldStyle = GetWindowLongA(GetDlgItem(dialog, 999), GWL_STYLE);
      seen.fieldExStyle = GetWindowLongA(GetDlgItem(dialog, 999), GWL_EXSTYLE);
      GetWindowRect(GetDlgItem(dialog, 997), &seen.okRect);
      ClickAt({(seen.okRect.left + seen.okRect.right) / 2, (seen.okRect.top + seen.okRect.bottom) / 2});
    });
    answer = dialogs::AskText("Select the MIDI-OUT", "0 = X\r", "12");
  }
  EXPECT_EQ(answer, "12");
  EXPECT_EQ(seen.title, "Select the MIDI-OUT");
  EXPECT_EQ(seen.message, "0 = X\r");
  EXPECT_EQ(seen.field, "12");
  EXPECT_EQ(seen.ok, "OK");
  EXPECT_EQ(seen.client.right, 357);
  EXPECT_EQ(seen.client.bottom, 120);
  EXPECT_EQ(seen.selection, MAKELONG(0, 2)) << "the whole default starts selected";
  EXPECT_EQ(seen.fieldStyle & (ES_MULTILINE | ES_AUTOVSCROLL), ES_MULTILINE | ES_AUTOVSCROLL);
  EXPECT_EQ(seen.fieldExStyle & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(seen.okRect.right - seen.okRect.left, 60);
}

TEST_F(TextDialog, AReturnHeldSinceBeforeTheDialogDoesNotAnswerIt) {
  Key(VK_RETURN, true);  // pressed before the dialog opens, released while it is up
  runtime::Text answer;
  {
    User user([](HWND) {
      Key(VK_RETURN, false);
      Sleep(100);
      Press(VK_ESCAPE);  // had the early Return counted, the answer would be "2"
    });
    answer = dialogs::AskText("Title", "Message", "2");
  }
  EXPECT_EQ(answer, "");
}

TEST_F(TextDialog, OwnerIsDisabledWhileUpThenEnabledAndCurrentAgain) {
  HWND owner = ui::OpenNumberedWindow(5, 0, 0, 200, 100, 0, "Owner");
  ASSERT_NE(owner, nullptr);
  while (ui::PollEvent() != ui::NoEvent) {
  }
  constexpr UINT QueuedMeanwhile = WM_APP + 7;
  std::atomic<bool> disabledMeanwhile{false};
  {
    User user([&](HWND) {
      disabledMeanwhile = !IsWindowEnabled(owner);
      PostMessageA(owner, QueuedMeanwhile, 0, 0);
      Press(VK_ESCAPE);
    });
    EXPECT_EQ(dialogs::AskText("Title", "Message", "2"), "");
  }
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(ui::CurrentWindowHandle(), owner);
  // Events queued while the dialog was up are dropped; only the Escape's late key-up may follow.
  for (ui::EventKind kind = ui::PollEvent(); kind != ui::NoEvent; kind = ui::PollEvent()) {
    EXPECT_NE(kind, static_cast<ui::EventKind>(QueuedMeanwhile));
  }
  ui::CloseNumberedWindow(5);
}

TEST_F(TextDialog, ChooserListsTheDevicesAndReadsTheAnswer) {
  runtime::NameTable names;
  names[0] = "Alpha";
  names[1] = "Beta";
  runtime::Text list;
  std::string shown;
  std::int32_t chosen = -99;
  {
    User user([&shown](HWND dialog) {
      char buffer[256];
      GetWindowTextA(GetDlgItem(dialog, 996), buffer, sizeof buffer);
      shown = buffer;
      for (char c : std::string("1 = B")) {
        if (c == ' ') Press(VK_SPACE);
        else if (c == '=') Press(VK_OEM_PLUS);
        else Press(static_cast<WORD>(c >= 'a' ? c - 32 : c));
      }
      Press(VK_RETURN);
    });
    chosen = dialogs::ChooseOutputDevice(names, list);
  }
  EXPECT_EQ(list, "0 = Alpha\r1 = Beta\r");
  EXPECT_EQ(shown, "0 = Alpha\r1 = Beta\r");
  EXPECT_EQ(chosen, 1);
}

}  // namespace
