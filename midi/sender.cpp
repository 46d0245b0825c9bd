#include "midi/sender.h"

#include <cstring>
#include <string_view>

#include "midi/output.h"
#include "midi/winmm_api.h"
#include "midi/names.h"

namespace midi {

namespace {

// How often a lost device is looked for when the system says nothing of devices.
constexpr DWORD SearchIntervalMs = 2000;
// How long a driver that is not ready gets one message again, after pauses that grow.
constexpr DWORD NotReadyLimitMs = 1000;
constexpr std::int16_t NeverSent = -1;

constexpr std::uint32_t Controllers = 16 * 128;  // channels times controllers: the keys

// The messages waiting for the device, oldest first, numbered as they come.
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

// Two threads share the device. The port thread of the open device sends; it ends when the device is
// lost, closing the dead handle on its way out, where a driver that hangs there holds up nothing. The
// finder looks at the devices the system lists: when the system says they changed while the device
// is open, and while it is lost, at once and then every SearchIntervalMs; found again, the device gets
// a port thread of its own. So a driver stuck in a send to the dead handle holds up neither the
// header nor the search.
// The lock and its conditions are the system's slim ones: under Wine, waking a thread through them
// stays inside the process, where an event costs two trips to the wineserver.
struct Sender {
  SRWLOCK lock;
  CONDITION_VARIABLE work;   // for the port: a message came to an empty queue, the device was lost, the end
  CONDITION_VARIABLE room;   // for the window thread: the port took a message from a full queue, or the loss
  CONDITION_VARIABLE watch;  // for the finder: devices changed, the device was lost, the end
  StateChanged stateChanged;
  HANDLE finder;
  // Under the lock.
  MessageQueue queue;
  std::array<std::int16_t, Controllers> newest;  // the value last handed over per key, NeverSent before the first
  HANDLE port;        // the port thread of the open device; null while it is lost
  HMIDIOUT handle;    // the open device
  std::uint32_t resent;  // while found again: the queue's numbers below this are where the controllers stand
  bool stopping;
  bool devicesChanged;
  ULONGLONG lastSearch;
  UINT listedAtOpen;  // devices of the name listed while the device was open, at most
  UINT fewestSinceLoss;  // devices of the name listed since the loss, at the fewest: a further one is it
  // Read by any thread, written under the lock.
  volatile LONG connected;
  // Set before the threads start.
  std::int32_t device;
  char name[DeviceNameLength + 1];
};

// Static storage: a thread may outlive the heaps when it is stuck in the driver at the end.
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

// Under the lock: whether the handle is the open device's.
bool IsOpen(HMIDIOUT handle) { return sender.port != nullptr && sender.handle == handle; }

// Under the lock: empties the queue, and with `resend` fills it with the newest value of every
// controller, in controller order: what waited is older than those or the same.
void RenewWaiting(bool resend) {
  sender.queue.first = sender.queue.count = 0;
  sender.queue.waiting.fill(0);
  for (std::uint32_t key = 0; resend && key < Controllers; ++key) {
    if (sender.newest[key] != NeverSent) {
      PushMessage(sender.queue, ShortMessage(0xB0 | static_cast<std::int32_t>(key >> 7), key & 0x7F, sender.newest[key]));
    }
  }
  sender.resent = sender.queue.count;
  WakeAllConditionVariable(&sender.room);
}

// The device went: the panel is told at once, before anything else touches the driver, and the
// finder looks for it at once. A lost device takes nothing: what waits goes, `newest` keeps it all.
void Lose(HMIDIOUT handle) {
  {
    const Lock lock;
    if (!IsOpen(handle)) return;  // the other thread has found it lost first
    if (!sender.stopping) CloseHandle(sender.port);  // else the end waits for it: the process lets go
    sender.port = nullptr;
    sender.lastSearch = 0;
    sender.fewestSinceLoss = sender.listedAtOpen - 1;
    InterlockedExchange(&sender.connected, 0);
    RenewWaiting(false);
  }
  WakeAllConditionVariable(&sender.work);
  WakeConditionVariable(&sender.watch);
  Tell();
}

// Waits for the device's next message; false when it has none to send: it is no longer the open
// device, or the end came and nothing waits. `announce`: the message is the last of the resend.
bool NextMessage(HMIDIOUT handle, DWORD& message, bool& announce) {
  const Lock lock;
  while (IsOpen(handle) && !sender.stopping && sender.queue.count == 0) {
    SleepConditionVariableSRW(&sender.work, &sender.lock, INFINITE, 0);
  }
  const bool full = sender.queue.count == MessageQueue::Capacity;
  if (!IsOpen(handle) || !PopMessage(sender.queue, message)) return false;
  if (full) WakeConditionVariable(&sender.room);
  announce = sender.queue.first == sender.resent;
  return true;
}

// A driver that is not ready gets the message again after a pause, for at most NotReadyLimitMs; any
// other error, or that limit, means the device is gone.
bool Send(HMIDIOUT handle, DWORD message) {
  const ULONGLONG start = GetTickCount64();
  for (DWORD pause = 0;;) {
    const MMRESULT result = Winmm().midiOutShortMsg(handle, message);
    if (result != MIDIERR_NOTREADY) return result == MMSYSERR_NOERROR;
    if (!PauseBeforeAskingAgain(pause, start, NotReadyLimitMs)) return false;
  }
}

// Found again, the device has heard where every controller stands: only now is the panel told.
void Announce(HMIDIOUT handle) {
  bool told;
  {
    const Lock lock;
    told = IsOpen(handle) && InterlockedExchange(&sender.connected, 1) == 0;
  }
  if (told) Tell();
}

DWORD WINAPI RunPort(void* parameter) {
  const auto handle = static_cast<HMIDIOUT>(parameter);
  DWORD message;
  bool announce;
  while (NextMessage(handle, message, announce)) {
    if (!Send(handle, message)) {
      Lose(handle);
      break;
    }
    if (announce) Announce(handle);
  }
  // At the end what waited has gone out; a dead handle answers what it may, and a driver that
  // hangs here holds up nothing once the device is lost.
  CloseDevice(handle, CloseWaitLimitMs);
  return 0;
}

// Device numbers shift as devices come and go, so the device is found by its name: how many outputs
// have it, and the number of the last of them.
UINT ListOutputs(UINT& last) {
  UINT listed = 0;
  WinmmApi& winmm = Winmm();
  for (UINT i = winmm.midiOutGetNumDevs(); i-- > 0;) {
    MIDIOUTCAPSA caps{};
    if (winmm.midiOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
        std::strncmp(caps.szPname, sender.name, sizeof caps.szPname) == 0 && listed++ == 0) {
      last = i;
    }
  }
  return listed;
}

// Under the lock: the device becomes the open one, with a port thread of its own; false when the
// thread could not start.
bool StartPort(HMIDIOUT handle, UINT listed, bool resend) {
  RenewWaiting(resend);
  sender.port = CreateThread(nullptr, 0, RunPort, handle, 0, nullptr);
  sender.handle = handle;
  sender.listedAtOpen = listed;
  return sender.port != nullptr;
}

// Devices changed while the device is open: it is still there while its name is listed. While it
// is lost, a device of the name beyond those listed since the loss is the lost one come back: one
// still plugged in is never taken for it. It is the last listed of them, where the system puts a
// device that came. The MIDI mapper has no name and keeps its number. Found again, the device gets
// a port thread, which first sends the newest value of every controller.
void Look(HMIDIOUT open) {
  UINT last = MIDI_MAPPER;
  const UINT listed = sender.device == -1 ? 1 : ListOutputs(last);
  if (open != nullptr && listed == 0) return Lose(open);
  {
    const Lock lock;
    if (open != nullptr) {
      if (listed > sender.listedAtOpen) sender.listedAtOpen = listed;
      return;
    }
    sender.lastSearch = GetTickCount64();
    if (listed <= sender.fewestSinceLoss) {
      sender.fewestSinceLoss = listed;
      return;
    }
  }
  HMIDIOUT handle = nullptr;
  if (Winmm().midiOutOpen(&handle, last, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return;
  bool started, quiet;  // quiet: nothing has been sent before, so nothing is sent again
  {
    const Lock lock;
    started = !sender.stopping && StartPort(handle, listed, true);
    quiet = sender.resent == 0;
  }
  if (!started) {
    Winmm().midiOutClose(handle);
  } else if (quiet) {
    Announce(handle);
  }
}

DWORD WINAPI RunFinder(void*) {
  for (;;) {
    HMIDIOUT open = nullptr;
    {
      const Lock lock;
      for (;;) {
        if (sender.stopping) return 0;
        open = sender.port != nullptr ? sender.handle : nullptr;
        DWORD wait = INFINITE;
        if (open == nullptr) {
          const ULONGLONG since = GetTickCount64() - sender.lastSearch;
          if (since >= SearchIntervalMs) break;
          wait = static_cast<DWORD>(SearchIntervalMs - since);
        }
        if (sender.devicesChanged) break;
        SleepConditionVariableSRW(&sender.watch, &sender.lock, wait, 0);
      }
      sender.devicesChanged = false;
    }
    Look(open);
  }
}

}  // namespace

void StartSender(const Ports& ports, std::int32_t device, std::string_view name, StateChanged stateChanged) {
  sender.stateChanged = stateChanged;
  sender.newest.fill(NeverSent);
  sender.stopping = sender.devicesChanged = false;
  sender.connected = 1;
  sender.device = device;
  const std::size_t length = name.size() < DeviceNameLength ? name.size() : DeviceNameLength;
  std::memcpy(sender.name, name.data(), length);
  sender.name[length] = '\0';
  UINT listed = 1;
  for (std::size_t i = 0; i < ports.OutputNames.size(); ++i) {  // as the chooser listed them: no listing here
    if (i != static_cast<std::size_t>(device) && ports.OutputNames[i] == sender.name) ++listed;
  }
  {
    const Lock lock;
    running = StartPort(ports.OutputHandle, listed, false);
  }
  // The finder starts once the device is open: it would take a device without a port thread for lost.
  sender.finder = running ? CreateThread(nullptr, 0, RunFinder, nullptr, 0, nullptr) : nullptr;
  running = sender.finder != nullptr;  // without its threads, messages go out from the caller's
}

bool OutputConnected() { return InterlockedCompareExchange(&sender.connected, 0, 0) != 0; }

void NoteDeviceChange() {
  {
    const Lock lock;
    sender.devicesChanged = true;
  }
  WakeConditionVariable(&sender.watch);
}

bool QueueShortMessage(DWORD message) {
  if (!running) return false;
  const Lock lock;
  const int key = ControllerKey(message);
  if (key >= 0) sender.newest[key] = static_cast<std::int16_t>(message >> 16);
  const bool idle = sender.queue.count == 0;
  while (sender.port != nullptr && !PushMessage(sender.queue, message)) {  // full: the port takes one first
    SleepConditionVariableSRW(&sender.room, &sender.lock, INFINITE, 0);
  }
  if (idle) WakeConditionVariable(&sender.work);
  return true;
}

void StopSender(DWORD waitLimitMs) {
  HANDLE threads[2] = {sender.finder, nullptr};  // none where the sender never started: nothing waits
  {
    const Lock lock;
    sender.stopping = true;
    threads[1] = sender.port;  // none starts from now on
  }
  running = false;
  WakeAllConditionVariable(&sender.work);
  WakeConditionVariable(&sender.watch);
  WaitForMultipleObjects(threads[1] != nullptr ? 2 : 1, threads, TRUE, waitLimitMs);
}

}  // namespace midi
