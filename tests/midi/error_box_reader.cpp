// Waits for a message box with the given title (any process of the Wine session), prints its
// message (tests/printable.h) and closes it with its OK button.
//   error_box_reader TITLE TIMEOUT_MS     exit code 0 when a box was found, 1 when none came
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/printable.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: error_box_reader TITLE TIMEOUT_MS\n", stderr);
    return 2;
  }
  const DWORD timeout = static_cast<DWORD>(std::atoi(argv[2]));
  const DWORD start = GetTickCount();
  // The box is there as soon as its window is made; it is shown once it holds its message and buttons.
  HWND box = nullptr;
  char text[4096] = {};
  while ((box = FindWindowA("#32770", argv[1])) == nullptr || !IsWindowVisible(box) ||
         GetDlgItemTextA(box, 0xFFFF, text, sizeof text) == 0) {  // the message's static control
    if (GetTickCount() - start > timeout) {
      std::fprintf(stderr, "error_box_reader: no box titled \"%s\" with a message within %lu ms: %s\n", argv[1],
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
