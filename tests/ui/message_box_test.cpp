// The message box: which windows it disables while it is up, its owner, and what it gives back.
// The box blocks the test's thread, so a controller thread looks at the windows and presses a button.
#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "support.h"
#include "ui/layer_info.h"
#include "ui/message_box.h"

namespace {

using namespace uitest;

constexpr std::uint32_t PanelFlags = 0x00C80000;

struct BoxSearch {
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<BoxSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[16] = {};
  char title[128] = {};
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::string(name) == "#32770" &&
      std::string(title) == search.title) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

// Waits, boundedly, for this process's message box with the title to be on the screen; says so
// when it gives up.
HWND WaitForBox(const char* title) {
  for (int round = 0; round < 2000; ++round) {
    BoxSearch search{title, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(5);
  }
  char front[128] = {};
  GetWindowTextA(GetForegroundWindow(), front, sizeof front);
  ADD_FAILURE() << "gave up after 2000 looks 5 ms apart waiting for the message box \"" << title
                << "\"; the window in front was \"" << front << "\"";
  return nullptr;
}

bool WaitFor(const std::function<bool()>& done) {
  for (int round = 0; round < 2000 && !done(); ++round) Sleep(5);
  return done();
}

void Press(HWND box, int button) { PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0); }

BOOL CALLBACK MatchStaticText(HWND child, LPARAM data) {
  auto& search = *reinterpret_cast<std::pair<std::string, bool>*>(data);
  char text[256] = {};
  GetWindowTextA(child, text, sizeof text);
  if (search.first == text) search.second = true;
  return TRUE;
}

bool BoxShowsText(HWND box, const std::string& text) {
  std::pair<std::string, bool> search{text, false};
  EnumChildWindows(box, MatchStaticText, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// A top-level window that belongs to a thread of its own, which runs work handed to it.
class WindowThread {
 public:
  explicit WindowThread(bool activate) {
    std::promise<void> ready;
    std::future<void> created = ready.get_future();
    thread_ = std::thread([this, activate, &ready] {
      MSG message;
      PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here on
      window_ = CreateWindowExA(0, "STATIC", "Other thread", WS_OVERLAPPED | WS_CAPTION, 600, 400, 200, 80, nullptr,
                                nullptr, Instance(), nullptr);
      ShowWindow(window_, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
      threadId_ = GetCurrentThreadId();
      ready.set_value();
      while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_APP) {
          auto* work = reinterpret_cast<std::function<void()>*>(message.lParam);
          (*work)();
          delete work;
          continue;
        }
        DispatchMessageA(&message);
      }
      DestroyWindow(window_);
    });
    created.wait();
  }
  ~WindowThread() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }
  void Run(std::function<void()> work) {
    PostThreadMessageA(threadId_, WM_APP, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(work))));
  }

 private:
  std::thread thread_;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
};

class MessageBoxTest : public LayerTest {};

// What the controller saw while the box was up.
struct WhileUp {
  HWND box = nullptr;
  HWND owner = nullptr;
  bool visibleEnabled = true;
  bool hiddenEnabled = false;
  bool otherThreadEnabled = false;
  int disabledCount = -1;
};

struct ButtonCase {
  std::uint32_t flags;
  int button;
};

class EveryButton : public MessageBoxTest, public testing::WithParamInterface<ButtonCase> {};

TEST_P(EveryButton, DisablesTheThreadsOtherVisibleWindowsAndEnablesThemAgain) {
  const HWND visible = ui::OpenNumberedWindow(1, 0, 0, 200, 80, PanelFlags, "Visible");
  const HWND hidden = ui::OpenNumberedWindow(2, 0, 100, 200, 80, PanelFlags | ui::CreateHidden, "Hidden");
  const HWND disabled = ui::OpenNumberedWindow(3, 0, 200, 200, 80, PanelFlags, "Disabled");
  const HWND front = ui::OpenNumberedWindow(4, 300, 0, 200, 80, PanelFlags, "Front");
  EnableWindow(disabled, FALSE);
  ASSERT_TRUE(BringToFront(front));
  WindowThread other(false);
  ASSERT_TRUE(IsWindowVisible(other.window()));

  WhileUp seen;
  const int button = GetParam().button;
  std::thread controller([&] {
    seen.box = WaitForBox("Question");
    if (seen.box == nullptr) return;
    seen.owner = GetWindow(seen.box, GW_OWNER);
    seen.visibleEnabled = IsWindowEnabled(visible);
    seen.hiddenEnabled = IsWindowEnabled(hidden);
    seen.otherThreadEnabled = IsWindowEnabled(other.window());
    seen.disabledCount = ui::DisabledWindowCount();
    Press(seen.box, button);
  });
  const std::int32_t result = ui::ShowMessage("Question", "Go on?", GetParam().flags);
  controller.join();

  ASSERT_NE(seen.box, nullptr);
  EXPECT_EQ(result, button);
  EXPECT_EQ(seen.owner, front);  // the foreground window, which the box itself keeps from input
  EXPECT_FALSE(seen.visibleEnabled);
  EXPECT_TRUE(seen.hiddenEnabled);
  EXPECT_TRUE(seen.otherThreadEnabled);
  EXPECT_EQ(seen.disabledCount, 1);

  EXPECT_TRUE(IsWindowEnabled(visible));
  EXPECT_TRUE(IsWindowEnabled(front));
  EXPECT_TRUE(IsWindowEnabled(hidden));
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_FALSE(IsWindowEnabled(disabled));
  EXPECT_TRUE(IsWindowEnabled(other.window()));
  EXPECT_EQ(ui::DisabledWindowCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Buttons, EveryButton,
                         testing::Values(ButtonCase{MB_OK, IDOK}, ButtonCase{MB_OKCANCEL, IDCANCEL},
                                         ButtonCase{MB_YESNO, IDNO}, ButtonCase{MB_YESNOCANCEL, IDYES},
                                         ButtonCase{MB_ABORTRETRYIGNORE, IDIGNORE},
                                         ButtonCase{MB_RETRYCANCEL, IDRETRY}));

TEST_F(MessageBoxTest, ShowsTitleAndMessageUnchanged) {
  const char* message = "Ger\xE4t konnte nicht ge\xF6" "ffnet werden. \xDC" "ber \xFC";
  bool titleShown = false;
  bool messageShown = false;
  std::thread controller([&] {
    const HWND box = WaitForBox("Error");
    if (box == nullptr) return;
    char title[32] = {};
    GetWindowTextA(box, title, sizeof title);
    titleShown = std::string(title) == "Error";
    messageShown = BoxShowsText(box, message);
    Press(box, IDOK);
  });
  EXPECT_EQ(ui::ShowMessage("Error", message, 0), IDOK);
  controller.join();
  EXPECT_TRUE(titleShown);
  EXPECT_TRUE(messageShown);
}

TEST_F(MessageBoxTest, WithoutWindowsNothingIsDisabledAndTheBoxHasNoOwnerOfOurs) {
  ASSERT_EQ(ui::WindowHandle(0), nullptr);
  WhileUp seen;
  std::thread controller([&] {
    seen.box = WaitForBox("Error");
    if (seen.box == nullptr) return;
    seen.owner = GetWindow(seen.box, GW_OWNER);
    seen.disabledCount = ui::DisabledWindowCount();
    Press(seen.box, IDOK);
  });
  EXPECT_EQ(ui::ShowMessage("Error", "Kein Ger\xE4t", 0), IDOK);
  controller.join();
  ASSERT_NE(seen.box, nullptr);
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.disabledCount, 0);
  EXPECT_EQ(ui::DisabledWindowCount(), 0);
}

TEST_F(MessageBoxTest, ForegroundWindowOfAnotherThreadOfTheProcessOwnsTheBox) {
  const HWND mine = ui::OpenNumberedWindow(1, 0, 0, 200, 80, PanelFlags, "Mine");
  WindowThread other(true);
  ASSERT_TRUE(BringToFront(other.window()));
  WhileUp seen;
  std::thread controller([&] {
    seen.box = WaitForBox("Owned");
    if (seen.box == nullptr) return;
    seen.owner = GetWindow(seen.box, GW_OWNER);
    seen.visibleEnabled = IsWindowEnabled(mine);
    Press(seen.box, IDOK);
  });
  EXPECT_EQ(ui::ShowMessage("Owned", "text", 0), IDOK);
  controller.join();
  EXPECT_EQ(seen.owner, other.window());
  EXPECT_FALSE(seen.visibleEnabled);
  EXPECT_TRUE(IsWindowEnabled(mine));
  EXPECT_TRUE(IsWindowEnabled(other.window()));
}

TEST_F(MessageBoxTest, EachThreadEnablesOnlyTheWindowsItDisabled) {
  const HWND mine = ui::OpenNumberedWindow(1, 0, 0, 200, 80, PanelFlags, "Mine");
  const HWND front = ui::OpenNumberedWindow(2, 300, 0, 200, 80, PanelFlags, "Front");
  ASSERT_TRUE(BringToFront(front));
  WindowThread other(false);

  struct {
    int countWithBoth = -1;
    bool otherDisabledWithBoth = false;
    bool innerReturned = false;
    int countAfterInner = -1;
    bool mineEnabledAfterInner = true;
    bool otherEnabledAfterInner = false;
  } seen;
  std::atomic<bool> innerDone{false};
  std::thread controller([&] {
    const HWND outer = WaitForBox("Outer");
    if (outer == nullptr) return;
    other.Run([&] {
      ui::ShowMessage("Inner", "second thread", 0);
      innerDone = true;
    });
    const HWND inner = WaitForBox("Inner");
    if (inner != nullptr) {
      seen.countWithBoth = ui::DisabledWindowCount();
      seen.otherDisabledWithBoth = !IsWindowEnabled(other.window());
      Press(inner, IDOK);
      seen.innerReturned = WaitFor([&] { return innerDone.load(); });
      seen.countAfterInner = ui::DisabledWindowCount();
      seen.mineEnabledAfterInner = IsWindowEnabled(mine);
      seen.otherEnabledAfterInner = IsWindowEnabled(other.window());
    }
    Press(outer, IDOK);
  });
  EXPECT_EQ(ui::ShowMessage("Outer", "first thread", 0), IDOK);
  controller.join();

  EXPECT_EQ(seen.countWithBoth, 2);
  EXPECT_TRUE(seen.otherDisabledWithBoth);
  EXPECT_TRUE(seen.innerReturned);
  EXPECT_EQ(seen.countAfterInner, 1);  // the inner box left this thread's entry alone
  EXPECT_FALSE(seen.mineEnabledAfterInner);
  EXPECT_TRUE(seen.otherEnabledAfterInner);
  EXPECT_TRUE(IsWindowEnabled(mine));
  EXPECT_EQ(ui::DisabledWindowCount(), 0);
}

}  // namespace
