#include "app/state.h"

#include <new>

namespace app {

namespace {
alignas(AppState) unsigned char storage[sizeof(AppState)];
AppState* state = nullptr;
}  // namespace

AppState& State() {
  if (state == nullptr) state = new (storage) AppState{};
  return *state;
}

void ResetState() {
  // A fresh record over the old one; the old texts die with the heaps at the end.
  state = new (storage) AppState{};
}

}  // namespace app
