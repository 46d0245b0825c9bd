// What the tests of the window and control layer share: a fresh layer per test, a message pump
// through the layer's own fetch, and a user who clicks, drags and types through SendInput.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/controls.h"
#include "ui/window.h"

namespace uitest {

HINSTANCE Instance();

// Every test starts on a fresh window table and control registry and leaves no window behind.
class LayerTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// One fetched event with the control number in force right after it.
struct Fetched {
  ui::EventKind kind;
  ui::ControlNumber control;
};

// Polls until the queue is empty and gives what came out.
std::vector<Fetched> DrainEvents();

// Pumps through PollEvent until done() holds, waiting for messages between rounds; gives done().
// The bound is generous: it only stops a test that would otherwise hang.
bool PumpUntil(const std::function<bool()>& done, std::vector<Fetched>* fetched = nullptr);

// Brings the window to the foreground and waits until the window system agrees.
bool BringToFront(HWND window);

// The screen point at client coordinates of a window.
POINT ScreenPoint(HWND window, int x, int y);

// Input as a user makes it; Wine hands it to the foreground window.
void MoveMouseTo(POINT point);
void MouseButton(bool down);
void KeyStroke(WORD key, bool shift = false);

// Counts how often a kind with a given control number occurs.
int Count(const std::vector<Fetched>& fetched, ui::EventKind kind, ui::ControlNumber control);

}  // namespace uitest
