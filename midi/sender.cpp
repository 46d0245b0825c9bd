#include "midi/sender.h"

#include <cstring>
#include <string_view>

#include "midi/output.h"
#include "midi/winmm_api.h"
#include "runtime/names.h"

namespace midi {

namespace {

// How often a lost device is looked for when the system says nothing of devices.
constexpr DWORD SearchIntervalMs = 2000;
// The pause before a message that the driver was not ready for is tried again.
constexpr DWORD NotReadyPauseMs = 1;
constexpr std::int16_t NeverSent = -1;

constexpr std::uint32_t Controllers = 16 * 128;  // channels times controllers: the keys

// The messages waiting for the sender, oldest first, numbered as they come.
struct MessageQueue {
  static constexpr std::uint32_t Capacity = 4096;
  std::array<DWORD, Capacity> ring;
  std::uint32_t first;  // the number of the oldest
  std::uint32_t count;
  std::array<std::uint32_t, Controllers> waiting;  // per key, the number of its waiting message plus 1, or 0
};

// False when the queue is full: nothing was added.
bool PushMessage(MessageQueue& queue, DWORD message) {
  const int key = ControllerKey(message);
  if (key >= 0 && queue.waiting[key] != 0) {
    queue.ring[(queue.waiting[key] - 1) % MessageQueue::Capacity] = message;
    return true;
  }
  if (queue.count == MessageQueue::Capacity) return false;
  const std::uint32_t number = queue.first + queue.count++;
  queue.ring[number % MessageQueue::Capacity] = message;
  if (key >= 0) queue.waiting[key] = number + 1;
  return true;
}

// False when the queue is empty.
bool PopMessage(MessageQueue& queue, DWORD& message) {
  if (queue.count == 0) return false;
  message = queue.ring[queue.first % MessageQueue::Capacity];
  const int key = ControllerKey(message);
  if (key >= 0 && queue.waiting[key] == queue.first + 1) queue.waiting[key] = 0;
  ++queue.first;
  --queue.count;
  return true;
}

// The lock and its two conditions are the system's slim ones: under Wine, waking the thread through
// them stays inside the process, where an event costs two trips to the wineserver.
struct Sender {
  SRWLOCK lock;
  CONDITION_VARIABLE work;  // a message came to an empty queue, devices changed, or the end
  CONDITION_VARIABLE room;  // the thread took a message from a full queue
  HANDLE thread;
  StateChanged stateChanged;
  // Under the lock.
  MessageQueue queue;
  std::array<std::int16_t, Controllers> newest;  // the value last handed over per key, NeverSent before the first
  bool stopping;
  bool devicesChanged;
  // Read by any thread, written by the sender thread.
  volatile LONG connected;
  // The sender thread's own.
  HMIDIOUT handle;
  std::int32_t device;
  char name[runtime::DeviceNameLength + 1];
  ULONGLONG lastSearch;
};

// Static storage: the thread may outlive the heaps when it is stuck in the driver at the end.
Sender sender;
bool running;  // the window thread's own

class Lock {
 public:
  Lock() { AcquireSRWLockExclusive(&sender.lock); }
  ~Lock() { ReleaseSRWLockExclusive(&sender.lock); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
};

inline void Tell() { sender.stateChanged(); }

bool TakeMessage(DWORD& message) {
  const Lock lock;
  const bool full = sender.queue.count == MessageQueue::Capacity;
  if (!PopMessage(sender.queue, message)) return false;
  if (full) WakeConditionVariable(&sender.room);
  return true;
}

// Empties the queue, and with `resend` fills it with the newest value of every controller, in
// controller order: what waited is older than those or the same.
void RenewWaiting(bool resend) {
  const Lock lock;
  sender.queue.first = sender.queue.count = 0;
  sender.queue.waiting.fill(0);
  for (std::uint32_t key = 0; resend && key < Controllers; ++key) {
    if (sender.newest[key] != NeverSent) {
      PushMessage(sender.queue, ShortMessage(0xB0 | static_cast<std::int32_t>(key >> 7), key & 0x7F, sender.newest[key]));
    }
  }
  WakeConditionVariable(&sender.room);
}

// A driver that is not ready gets the message again; any other error means the device is gone.
bool Send(DWORD message) {
  MMRESULT result;
  while ((result = Winmm().midiOutShortMsg(sender.handle, message)) == MIDIERR_NOTREADY) Sleep(NotReadyPauseMs);
  return result == MMSYSERR_NOERROR;
}

void Lose() {
  Winmm().midiOutClose(sender.handle);  // a dead handle: what it answers changes nothing
  sender.handle = nullptr;
  sender.lastSearch = GetTickCount64();
  InterlockedExchange(&sender.connected, 0);
  Tell();
}

// Sends what waits until the queue is empty; false when the device went.
bool SendWaiting() {
  DWORD message;
  while (TakeMessage(message)) {
    if (!Send(message)) return Lose(), false;
  }
  return true;
}

// Device numbers shift as devices come and go, so the device is found by its name. The MIDI mapper
// has no name and keeps its number.
bool Reopen() {
  WinmmApi& winmm = Winmm();
  if (sender.device == -1) return winmm.midiOutOpen(&sender.handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == 0;
  const UINT count = winmm.midiOutGetNumDevs();
  for (UINT i = 0; i < count; ++i) {
    MIDIOUTCAPSA caps{};
    if (winmm.midiOutGetDevCapsA(i, &caps, sizeof caps) != MMSYSERR_NOERROR ||
        std::strncmp(caps.szPname, sender.name, sizeof caps.szPname) != 0) {
      continue;
    }
    if (winmm.midiOutOpen(&sender.handle, i, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) return true;
  }
  return false;
}

// Found again, the device hears where every controller stands, and only then does the panel hear
// that it is back.
void Search() {
  sender.lastSearch = GetTickCount64();
  if (!Reopen()) return;
  RenewWaiting(true);
  if (!SendWaiting()) return;
  InterlockedExchange(&sender.connected, 1);
  Tell();
}

// Sleeps until there is something to do: a message, a change of devices, the end, or for a lost
// device the time to look for it again. Gives the end and the change of devices.
void AwaitWork(bool connected, bool& stopping, bool& changed) {
  const Lock lock;
  while (!sender.stopping && !sender.devicesChanged && sender.queue.count == 0) {
    DWORD wait = INFINITE;
    if (!connected) {
      const ULONGLONG since = GetTickCount64() - sender.lastSearch;
      if (since >= SearchIntervalMs) break;
      wait = static_cast<DWORD>(SearchIntervalMs - since);
    }
    SleepConditionVariableSRW(&sender.work, &sender.lock, wait, 0);
  }
  stopping = sender.stopping;
  changed = sender.devicesChanged;
  sender.devicesChanged = false;
}

DWORD WINAPI RunSender(void*) {
  for (;;) {
    const bool connected = OutputConnected();
    bool stopping, changed;
    AwaitWork(connected, stopping, changed);
    if (connected) {
      if (SendWaiting() && stopping) {
        while (Winmm().midiOutClose(sender.handle) == MIDIERR_STILLPLAYING) {
        }
      }
    } else {
      RenewWaiting(false);  // all of it is in `newest`, and a lost device takes nothing
      if (!stopping && (changed || GetTickCount64() - sender.lastSearch >= SearchIntervalMs)) Search();
    }
    if (stopping) return 0;
  }
}

}  // namespace

void StartSender(const Ports& ports, std::int32_t device, std::string_view name, StateChanged stateChanged) {
  sender.stateChanged = stateChanged;
  RenewWaiting(false);
  sender.newest.fill(NeverSent);
  sender.stopping = sender.devicesChanged = false;
  sender.connected = 1;
  sender.handle = ports.OutputHandle;
  sender.device = device;
  const std::size_t length = name.size() < runtime::DeviceNameLength ? name.size() : runtime::DeviceNameLength;
  std::memcpy(sender.name, name.data(), length);
  sender.name[length] = '\0';
  sender.thread = CreateThread(nullptr, 0, RunSender, nullptr, 0, nullptr);
  running = sender.thread != nullptr;  // without a thread, messages go out from the caller's
}

bool OutputConnected() { return InterlockedCompareExchange(&sender.connected, 0, 0) != 0; }

void NoteDeviceChange() {
  if (!running) return;
  {
    const Lock lock;
    sender.devicesChanged = true;
  }
  WakeConditionVariable(&sender.work);
}

bool QueueShortMessage(DWORD message) {
  if (!running) return false;
  const Lock lock;
  const int key = ControllerKey(message);
  if (key >= 0) sender.newest[key] = static_cast<std::int16_t>(message >> 16);
  const bool idle = sender.queue.count == 0;
  while (!PushMessage(sender.queue, message)) {  // full: the thread takes one first
    SleepConditionVariableSRW(&sender.room, &sender.lock, INFINITE, 0);
  }
  if (idle) WakeConditionVariable(&sender.work);
  return true;
}

void StopSender(DWORD waitLimitMs) {
  if (!running) return;
  running = false;
  {
    const Lock lock;
    sender.stopping = true;
  }
  WakeConditionVariable(&sender.work);
  if (WaitForSingleObject(sender.thread, waitLimitMs) == WAIT_OBJECT_0) CloseHandle(sender.thread);
}

}  // namespace midi
