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

// Looks again every few milliseconds until done() holds. The bound only stops a test that would
// otherwise hang.
bool Until(const std::function<bool()>& done) {
  for (int look = 0; look < 5000; ++look) {
    if (done()) return true;
    Sleep(2);
  }
  return false;
}

void Key(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

std::string FieldText(HWND dialog) {
  char text[64] = {};
  GetDlgItemTextA(dialog, 999, text, sizeof text);
  return text;
}

// Holds the key down until the dialog has acted on it, as a user holds a key until the screen
// answers: Return and Escape end the dialog, other keys change its field. The dialog polls the
// asynchronous key state, which Wine brings up to date for a thread only now and then, so a short
// press can be over before the dialog learns of it.
void Press(HWND dialog, WORD key) {
  const std::string before = FieldText(dialog);
  const bool ends = key == VK_RETURN || key == VK_ESCAPE;
  Key(key, true);
  Until([&] { return ends ? !IsWindow(dialog) : FieldText(dialog) != before; });
  Key(key, false);
}

// The dialog is up and in front, with the focus in its field, where typing goes.
HWND WaitForDialog() {
  HWND dialog = nullptr;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const bool up = Until([&] {
    dialog = FindWindowA("WindowClass_999", nullptr);
    return dialog != nullptr && GetForegroundWindow() == dialog &&
           GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus != nullptr &&
           info.hwndFocus == GetDlgItem(dialog, 999);
  });
  return up ? dialog : nullptr;
}

// A second thread that plays the user once the dialog is up, given the dialog's window.
class User {
 public:
  explicit User(std::function<void(HWND)> part)
      : thread_([part] {
          const HWND dialog = WaitForDialog();
          if (dialog != nullptr) {
            part(dialog);
          } else {
            char front[128] = {};
            GetWindowTextA(GetForegroundWindow(), front, sizeof front);
            ADD_FAILURE() << "no dialog in front with the focus in its field; in front: \"" << front << "\"";
          }
          // A dialog left unanswered would wait for ever: report it and close it.
          for (HWND left; (left = FindWindowA("WindowClass_999", nullptr)) != nullptr;) {
            if (Until([left] { return !IsWindow(left); })) continue;
            ADD_FAILURE() << "the dialog did not take the user's answer";
            SetForegroundWindow(left);
            PostMessageA(left, WM_CLOSE, 0, 0);
          }
        }) {}
  ~User() { thread_.join(); }

 private:
  std::thread thread_;
};

// Clicks the OK button, holding the mouse button down until OK shows itself pushed.
void ClickOk(HWND dialog) {
  const HWND ok = GetDlgItem(dialog, 997);
  RECT r;
  GetWindowRect(ok, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT click{};
  click.type = INPUT_MOUSE;
  click.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &click, sizeof click);
  Until([ok] { return (SendMessageA(ok, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; });
  click.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &click, sizeof click);
}

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
      User user([](HWND dialog) { Press(dialog, VK_RETURN); });
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
    User user([](HWND dialog) {
      Press(dialog, '7');
      Press(dialog, VK_RETURN);
    });
    answer = dialogs::AskText("Title", "Message", "2");
  }
  EXPECT_EQ(answer, "7");
}

TEST_F(TextDialog, EscapeAndCloseGiveTheEmptyText) {
  {
    User user([](HWND dialog) { Press(dialog, VK_ESCAPE); });
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
      ClickOk(dialog);
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

// The dialog over a window of the caller's. A Return pressed there before it opens (in the key state
// and the queue) and released while it is up, or repeated, neither answers nor types; a new one does.
TEST_F(TextDialog, OwnerIsDisabledWhileUpThenEnabledAndCurrentAgainAndAHeldReturnDoesNotAnswer) {
  HWND owner = ui::OpenNumberedWindow(5, 0, 0, 200, 100, 0, "Owner");
  ASSERT_NE(owner, nullptr);
  while (ui::PollEvent() != ui::NoEvent) {
  }
  ASSERT_TRUE(Until([owner] { return GetForegroundWindow() == owner; }));
  Key(VK_RETURN, true);
  MSG early;
  ASSERT_TRUE(Until([&] { return PeekMessageA(&early, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) != 0; }));
  constexpr UINT QueuedMeanwhile = WM_APP + 7;
  std::atomic<bool> disabledMeanwhile{false};
  UINT dpiAfterForgery = 0;
  {
    User user([&](HWND dialog) {
      SendMessageA(dialog, WM_DPICHANGED, 192, 0);  // from another thread, without a rectangle
      dpiAfterForgery = ui::WindowDpi(dialog);
      Key(VK_RETURN, false);
      disabledMeanwhile = !IsWindowEnabled(owner);
      PostMessageA(owner, QueuedMeanwhile, 0, 0);
      PostMessageA(GetDlgItem(dialog, 999), WM_KEYDOWN, VK_RETURN, 0x401C0001);  // repeated: held down
      Press(dialog, '7');
      Press(dialog, VK_RETURN);
    });
    EXPECT_EQ(dialogs::AskText("Title", "Message", "2"), "7") << "\"2\": the early Return answered";
  }
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_EQ(dpiAfterForgery, 96u);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(ui::CurrentWindowHandle(), owner);
  // Events queued while the dialog was up are dropped; only the Return's late key-up may follow.
  for (ui::EventKind kind = ui::PollEvent(); kind != ui::NoEvent; kind = ui::PollEvent()) {
    EXPECT_NE(kind, static_cast<ui::EventKind>(QueuedMeanwhile));
  }
  ui::CloseNumberedWindow(5);
}

TEST_F(TextDialog, ChooserListsTheDevicesAndReadsTheAnswer) {
  const std::string_view list = "0 = Alpha\r1 = Beta\r";
  std::string shown;
  std::int32_t chosen = -99;
  {
    User user([&shown](HWND dialog) {
      char buffer[256];
      GetWindowTextA(GetDlgItem(dialog, 996), buffer, sizeof buffer);
      shown = buffer;
      for (char c : std::string("1 = B")) Press(dialog, c == ' ' ? VK_SPACE : c == '=' ? VK_OEM_PLUS : static_cast<WORD>(c));
      Press(dialog, VK_RETURN);
    });
    chosen = dialogs::ChooseOutputDevice(list);
  }
  EXPECT_EQ(shown, "0 = Alpha\r1 = Beta\r");
  EXPECT_EQ(chosen, 1);
}

}  // namespace
