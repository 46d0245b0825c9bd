// winlook's verb for message boxes (panel.h): waits for one, prints its message and closes it.
#include "tests/support/winlook/panel.h"

#include <cstdio>

#include "tests/support/printable.h"

int AnswerBox(const char* title, DWORD timeout) {
  const DWORD start = GetTickCount();
  // The box is there as soon as its window is made; it is shown once it holds its message and buttons.
  HWND box = nullptr;
  char text[4096] = {};
  while ((box = FindWindowA("#32770", title)) == nullptr || !IsWindowVisible(box) ||
         GetDlgItemTextA(box, 0xFFFF, text, sizeof text) == 0) {  // the message's static control
    if (GetTickCount() - start > timeout) {
      std::fprintf(stderr, "winlook: no box titled \"%s\" with a message within %lu ms: %s\n", title,
                   static_cast<unsigned long>(timeout), box == nullptr ? "no such window came" : "it never showed one");
      return 1;
    }
    Sleep(50);
  }
  std::fputs("text: ", stdout);
  PrintEscaped(stdout, text);
  std::putchar('\n');
  std::printf("buttons: %s%s\n", GetDlgItem(box, IDOK) != nullptr ? "OK" : "",
              GetDlgItem(box, IDCANCEL) != nullptr ? " Cancel" : "");
  std::fflush(stdout);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  return 0;
}
