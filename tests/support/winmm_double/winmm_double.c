/* A stand-in MIDI driver: a winmm.dll whose devices, failures and timing come from environment
 * variables and which writes every call to a log. Put in the system's folder of the Wine prefix and
 * loaded with WINEDLLOVERRIDES=winmm=n, it lets tests see exactly what the program asks of WinMM.
 * README.md beside this file describes the variables and the log. */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#define _WINMM_ /* the functions are defined here, not imported */
#include <windows.h>
#include <objbase.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <stddef.h>

#define MAX_DEVICES 256
#define NAME_BYTES 32
#define MAX_PENDING 64
#define OUT_HANDLE_BASE 0x1000
#define IN_HANDLE_BASE 0x2000
#define MAPPER_SLOT MAX_DEVICES /* the open-state slot of device -1 */

/* A device's slot is its place in names, open and dead; it stays with the device. Its number is its
   place in the list, which changes as devices are unplugged and plugged back (listed last, in a
   new slot: the old handle stays dead). */
typedef struct {
  UINT count;
  UINT slots[MAX_DEVICES]; /* the slot of each listed device */
  UINT nextSlot;
  char names[MAX_DEVICES][NAME_BYTES + 1];
  BOOL openFails[MAX_DEVICES];
  BOOL startFails[MAX_DEVICES];
  BOOL open[MAX_DEVICES + 1];
  BOOL dead[MAX_DEVICES + 1];
  UINT unplugged[MAX_DEVICES]; /* slots, the last unplugged last */
  UINT unpluggedCount;
} DeviceSide;

typedef struct {
  LPMIDIHDR header;
  HMIDIOUT handle;
  ULONGLONG due; /* GetTickCount64 value at which the driver is done with it */
} Pending;

static DeviceSide outputs, inputs;
static BOOL mapperEnabled, connectFails, askApartment;
static DWORD longDelayMs, deadWaitMs, slowMs, closeWaitMs;
static ULONGLONG notReadyUntil; /* GetTickCount64 time until which live handles answer MIDIERR_NOTREADY */
static char controlPath[MAX_PATH];
static LONGLONG controlRead; /* bytes of the control file already applied */
static Pending pending[MAX_PENDING];
static char logPath[MAX_PATH];
static HANDLE logFile = INVALID_HANDLE_VALUE;
static CRITICAL_SECTION lock;

/* ---- configuration ---- */

/* A variable's value as UTF-16, in `wide`; its length, 0 when unset or too long to be meant. Read so
   and converted here: for a value in a double-byte code page (932), Wine 8's
   GetEnvironmentVariableA keeps as many bytes as the value has characters, and cuts it. */
static WCHAR wide[MAX_DEVICES * 64];

static DWORD ReadWide(const char* name) {
  WCHAR wideName[64];
  DWORD length;
  MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 64);
  length = GetEnvironmentVariableW(wideName, wide, MAX_DEVICES * 64);
  return length < MAX_DEVICES * 64 ? length : 0;
}

/* The value in the system's code page. */
static DWORD ReadVariable(const char* name, char* buffer, DWORD size) {
  const DWORD wideLength = ReadWide(name);
  int length = 0;
  if (wideLength > 0) length = WideCharToMultiByte(CP_ACP, 0, wide, (int)wideLength, buffer, (int)size - 1, NULL, NULL);
  buffer[length] = '\0';
  return (DWORD)length;
}

static int HexDigit(WCHAR c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

/* One device name from its characters, converted to the system's code page one at a time and cut
   to 32 bytes. "\xHH" is the byte HH itself, unconverted: a name can be malformed in the code page,
   as a driver's may be (one that ends in the first byte of a double-byte character). */
static void ConvertName(char* target, const WCHAR* source, DWORD length) {
  DWORD i = 0;
  UINT n = 0;
  while (i < length && n < NAME_BYTES) {
    char bytes[8];
    int count, j;
    if (length - i >= 4 && source[i] == L'\\' && source[i + 1] == L'x' && HexDigit(source[i + 2]) >= 0 &&
        HexDigit(source[i + 3]) >= 0) {
      bytes[0] = (char)(HexDigit(source[i + 2]) * 16 + HexDigit(source[i + 3]));
      count = 1;
      i += 4;
    } else {
      count = WideCharToMultiByte(CP_ACP, 0, source + i, 1, bytes, sizeof bytes, NULL, NULL);
      i += 1;
    }
    for (j = 0; j < count && n < NAME_BYTES; ++j) target[n++] = bytes[j];
  }
  target[n] = '\0';
}

static BOOL StartsWith(const char* text, const char* start) {
  while (*start != '\0')
    if (*text++ != *start++) return FALSE;
  return TRUE;
}

static UINT ParseNumber(const char** text) {
  UINT value = 0;
  while (**text >= '0' && **text <= '9') value = value * 10 + (UINT)(*(*text)++ - '0');
  return value;
}

/* "1,3" sets flags[1] and flags[3]; other characters separate numbers. */
static void ReadIndexList(const char* name, BOOL* flags) {
  static char buffer[4096];
  const char* p = buffer;
  ReadVariable(name, buffer, sizeof buffer);
  while (*p != '\0') {
    if (*p >= '0' && *p <= '9') {
      UINT index = ParseNumber(&p);
      if (index < MAX_DEVICES) flags[index] = TRUE;
    } else {
      ++p;
    }
  }
}

static void AppendDecimal(char* text, UINT value);

static void ReadSide(DeviceSide* side, const char* namesVariable, const char* countVariable,
                     const char* failVariable, const char* defaultName) {
  char count[32];
  const DWORD length = ReadWide(namesVariable);
  DWORD start = 0, end;
  UINT i;
  /* Split first, then converted name by name: in a double-byte code page a character's second
     byte may be '|' (0x7C, as in the 0x83 0x7C of a katakana "po" under 932). */
  for (end = 0; length > 0 && end <= length; ++end) {
    if (end == length || wide[end] == L'|') {
      if (side->count < MAX_DEVICES) ConvertName(side->names[side->count++], wide + start, end - start);
      start = end + 1;
    }
  }
  if (ReadVariable(countVariable, count, sizeof count) > 0) {
    const char* c = count;
    UINT wanted = ParseNumber(&c);
    for (i = side->count; i < wanted && i < MAX_DEVICES; ++i) {
      lstrcpyA(side->names[i], defaultName);
      AppendDecimal(side->names[i], i);
    }
    side->count = wanted < MAX_DEVICES ? wanted : MAX_DEVICES;
  }
  ReadIndexList(failVariable, side->openFails);
  for (i = 0; i < MAX_DEVICES; ++i) side->slots[i] = i;
  side->nextSlot = side->count;
}

static void LoadConfiguration(void) {
  char flag[8];
  ReadSide(&outputs, "DBB_MIDI_OUT_NAMES", "DBB_MIDI_OUT_COUNT", "DBB_MIDI_OUT_FAIL", "MIDI Out ");
  ReadSide(&inputs, "DBB_MIDI_IN_NAMES", "DBB_MIDI_IN_COUNT", "DBB_MIDI_IN_FAIL", "MIDI In ");
  ReadIndexList("DBB_MIDI_IN_START_FAIL", inputs.startFails);
  mapperEnabled = ReadVariable("DBB_MIDI_MAPPER", flag, sizeof flag) == 1 && flag[0] == '1';
  connectFails = ReadVariable("DBB_MIDI_CONNECT_FAIL", flag, sizeof flag) == 1 && flag[0] == '1';
  askApartment = ReadVariable("DBB_MIDI_APARTMENT", flag, sizeof flag) == 1 && flag[0] == '1';
  if (ReadVariable("DBB_MIDI_LONG_DELAY_MS", flag, sizeof flag) > 0) {
    const char* p = flag;
    longDelayMs = ParseNumber(&p);
  }
  ReadVariable("DBB_MIDI_LOG", logPath, sizeof logPath);
  ReadVariable("DBB_MIDI_CONTROL", controlPath, sizeof controlPath);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  char flag[8];
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    /* a system whose MIDI library is broken: the load fails */
    if (ReadVariable("DBB_MIDI_REFUSE_LOAD", flag, sizeof flag) == 1 && flag[0] == '1') return FALSE;
    DisableThreadLibraryCalls(instance);
    InitializeCriticalSection(&lock);
    LoadConfiguration();
  }
  return TRUE;
}

/* ---- the log ---- */

typedef struct {
  char* text;
  SIZE_T length, capacity;
} Line;

static void Append(Line* line, const char* text) {
  while (*text != '\0' && line->length < line->capacity) line->text[line->length++] = *text++;
}

static void AppendUnsigned(Line* line, ULONGLONG value, UINT base, UINT minDigits) {
  char digits[24];
  UINT n = 0;
  do {
    digits[n++] = "0123456789ABCDEF"[value % base];
    value /= base;
  } while (value != 0 || n < minDigits);
  while (n > 0 && line->length < line->capacity) line->text[line->length++] = digits[--n];
}

static void AppendDecimal(char* text, UINT value) {
  Line line;
  line.text = text + lstrlenA(text);
  line.length = 0;
  line.capacity = 10;
  AppendUnsigned(&line, value, 10, 1);
  line.text[line.length] = '\0';
}

static void AppendKeyHex(Line* line, const char* key, ULONGLONG value, UINT minDigits) {
  Append(line, " ");
  Append(line, key);
  Append(line, "=0x");
  AppendUnsigned(line, value, 16, minDigits);
}

static void AppendKeyNumber(Line* line, const char* key, LONGLONG value) {
  Append(line, " ");
  Append(line, key);
  Append(line, "=");
  if (value < 0) {
    Append(line, "-");
    value = -value;
  }
  AppendUnsigned(line, (ULONGLONG)value, 10, 1);
}

static ULONGLONG Microseconds(void) {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return (ULONGLONG)(counter.QuadPart / frequency.QuadPart) * 1000000u +
         (ULONGLONG)(counter.QuadPart % frequency.QuadPart) * 1000000u / (ULONGLONG)frequency.QuadPart;
}

/* Starts a line: time and function name. */
static void BeginLine(Line* line, char* buffer, SIZE_T size, const char* function) {
  line->text = buffer;
  line->length = 0;
  line->capacity = size - 1; /* room for the line end */
  AppendUnsigned(line, Microseconds(), 10, 1);
  Append(line, " ");
  Append(line, function);
}

/* The calling thread's COM apartment as CoGetApartmentType names it (0 single-threaded, 1
   multithreaded, 2 neutral, 3 the process's main single-threaded one), or -1 when it has none.
   ole32 is loaded only when the log is to tell it. */
static LONGLONG ApartmentType(void) {
  typedef HRESULT(WINAPI * GetApartmentType)(APTTYPE*, APTTYPEQUALIFIER*);
  static GetApartmentType get;
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  if (get == NULL) {
    get = (GetApartmentType)(void (*)(void))GetProcAddress(LoadLibraryA("ole32.dll"), "CoGetApartmentType");
  }
  return get != NULL && SUCCEEDED(get(&type, &qualifier)) ? (LONGLONG)type : -1;
}

/* Ends the line (with the caller's apartment when asked for) and the result, and appends it to the
   log in one write. */
static void WriteLine(Line* line, MMRESULT result) {
  DWORD written;
  if (askApartment) AppendKeyNumber(line, "apartment", ApartmentType());
  AppendKeyNumber(line, "result", (LONGLONG)result);
  line->text[line->length++] = '\n';
  if (logPath[0] == '\0') return;
  EnterCriticalSection(&lock);
  if (logFile == INVALID_HANDLE_VALUE) {
    logFile = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, NULL);
  }
  /* Nothing is buffered on this side: once WriteFile returns, every process reads the line.
   * FlushFileBuffers would add a disk sync of milliseconds to every MIDI call. */
  if (logFile != INVALID_HANDLE_VALUE) WriteFile(logFile, line->text, (DWORD)line->length, &written, NULL);
  LeaveCriticalSection(&lock);
}

/* A line with one device number. */
static void LogDevice(const char* function, UINT_PTR device, const char* key2, ULONGLONG value2,
                      MMRESULT result) {
  char buffer[256];
  Line line;
  BeginLine(&line, buffer, sizeof buffer, function);
  AppendKeyNumber(&line, "device", (LONGLONG)(INT)(UINT)device);
  if (key2 != NULL) AppendKeyNumber(&line, key2, (LONGLONG)value2);
  WriteLine(&line, result);
}

/* A line of hexadecimal keys. */
static void LogHex(const char* function, const char* key1, ULONGLONG value1, const char* key2,
                   ULONGLONG value2, UINT digits2, MMRESULT result) {
  char buffer[256];
  Line line;
  BeginLine(&line, buffer, sizeof buffer, function);
  if (key1 != NULL) AppendKeyHex(&line, key1, value1, 1);
  if (key2 != NULL) AppendKeyHex(&line, key2, value2, digits2);
  WriteLine(&line, result);
}

static void LogOpen(const char* function, UINT device, DWORD_PTR callback, DWORD flags, MMRESULT result) {
  char buffer[256];
  Line line;
  BeginLine(&line, buffer, sizeof buffer, function);
  AppendKeyNumber(&line, "device", (INT)device);
  AppendKeyHex(&line, "callback", callback, 1);
  AppendKeyHex(&line, "flags", flags, 1);
  WriteLine(&line, result);
}

static void LogHeader(const char* function, HMIDIOUT handle, LPMIDIHDR header, UINT size, MMRESULT result) {
  char buffer[256];
  Line line;
  BeginLine(&line, buffer, sizeof buffer, function);
  AppendKeyHex(&line, "handle", (ULONG_PTR)handle, 1);
  AppendKeyHex(&line, "header", (ULONG_PTR)header, 1);
  AppendKeyNumber(&line, "size", size);
  WriteLine(&line, result);
}

/* ---- devices and handles ---- */

/* The open-state slot behind a handle, or -1 when the handle is not an open device of the side. */
static int OpenSlot(const DeviceSide* side, ULONG_PTR handle, ULONG_PTR base) {
  ULONG_PTR slot;
  if (handle < base) return -1;
  slot = handle - base;
  if (slot == 0xFFF) {
    slot = MAPPER_SLOT; /* only the output side ever opens it */
  } else if (slot >= MAX_DEVICES) {
    return -1;
  }
  return side->open[slot] ? (int)slot : -1;
}

static int OutputSlot(HMIDIOUT handle) { return OpenSlot(&outputs, (ULONG_PTR)handle, OUT_HANDLE_BASE); }
static int InputSlot(HMIDIIN handle) { return OpenSlot(&inputs, (ULONG_PTR)handle, IN_HANDLE_BASE); }

static MMRESULT FillCaps(const DeviceSide* side, UINT_PTR device, BOOL isOutput, void* caps, UINT size) {
  union {
    MIDIOUTCAPSA out;
    MIDIINCAPSA in;
  } record;
  const char* name;
  UINT i;
  if ((UINT)device == MIDI_MAPPER && isOutput && mapperEnabled) {
    name = "MIDI Mapper";
  } else if (device < side->count) {
    name = side->names[side->slots[device]];
  } else {
    return MMSYSERR_BADDEVICEID;
  }
  if (caps == NULL) return MMSYSERR_INVALPARAM;
  ZeroMemory(&record, sizeof record);
  record.out.wMid = MM_UNMAPPED;
  record.out.wPid = MM_PID_UNMAPPED;
  record.out.vDriverVersion = 0x0100;
  /* names of 32 bytes fill the field with no NUL */
  for (i = 0; i < NAME_BYTES && name[i] != '\0'; ++i) record.out.szPname[i] = name[i];
  if (isOutput) {
    record.out.wTechnology = MOD_MIDIPORT;
    record.out.wChannelMask = 0xFFFF;
  }
  if (size > (isOutput ? sizeof(MIDIOUTCAPSA) : sizeof(MIDIINCAPSA)))
    size = isOutput ? sizeof(MIDIOUTCAPSA) : sizeof(MIDIINCAPSA);
  CopyMemory(caps, &record, size);
  return MMSYSERR_NOERROR;
}

/* The queue entry of a header; NULL finds a free entry. */
static Pending* FindPending(LPMIDIHDR header) {
  int i;
  for (i = 0; i < MAX_PENDING; ++i)
    if (pending[i].header == header) return &pending[i];
  return NULL;
}

/* Hands the header back, done, and frees its queue entry. The log gets a "done" line, so that a
 * test can see what the caller did before and after the driver let go of the message. */
static void HandBack(Pending* entry) {
  entry->header->dwFlags = (entry->header->dwFlags & ~(DWORD)MHDR_INQUEUE) | MHDR_DONE;
  LogHex("done", "handle", (ULONG_PTR)entry->handle, "header", (ULONG_PTR)entry->header, 1, MMSYSERR_NOERROR);
  entry->header = NULL;
}

/* Hands the header back when its time has come; TRUE while it is still playing. */
static BOOL StillPlaying(Pending* entry) {
  if (GetTickCount64() < entry->due) return TRUE;
  HandBack(entry);
  return FALSE;
}

static BOOL HeaderUsable(LPMIDIHDR header, UINT size) {
  return header != NULL && size >= offsetof(MIDIHDR, dwOffset) && header->lpData != NULL;
}

/* ---- changes made by the test while the program runs ---- */

/* One line of the control file. */
static void ApplyCommand(const char* command) {
  const char* p = command;
  char buffer[256];
  Line line;
  while (*p != ' ' && *p != '\0') ++p;
  while (*p == ' ') ++p;
  if (lstrcmpA(command, "plug") == 0 && outputs.unpluggedCount > 0) {
    outputs.slots[outputs.count++] = outputs.unplugged[--outputs.unpluggedCount];
  } else if (StartsWith(command, "unplug ")) {
    UINT index = ParseNumber(&p), i, slot;
    if (index < outputs.count && outputs.nextSlot < MAX_DEVICES) {
      slot = outputs.slots[index];
      outputs.dead[slot] = TRUE;
      for (i = index; i + 1 < outputs.count; ++i) outputs.slots[i] = outputs.slots[i + 1];
      --outputs.count;
      /* plugged back, it is a new device of the same name */
      lstrcpyA(outputs.names[outputs.nextSlot], outputs.names[slot]);
      outputs.unplugged[outputs.unpluggedCount++] = outputs.nextSlot++;
    }
  } else if (StartsWith(command, "dead-wait ")) {
    deadWaitMs = ParseNumber(&p);
  } else if (StartsWith(command, "slow ")) {
    slowMs = ParseNumber(&p);
  } else if (StartsWith(command, "close-wait ")) {
    closeWaitMs = ParseNumber(&p);
  } else if (StartsWith(command, "not-ready ")) {
    notReadyUntil = GetTickCount64() + ParseNumber(&p);
  }
  BeginLine(&line, buffer, sizeof buffer, "control ");
  Append(&line, command);
  WriteLine(&line, MMSYSERR_NOERROR);
}

/* Applies the lines the test has added to the control file since the last call. */
static void ApplyControl(void) {
  static char text[4096];
  WIN32_FILE_ATTRIBUTE_DATA data;
  LARGE_INTEGER size;
  HANDLE file;
  DWORD read = 0, start = 0, i;
  if (controlPath[0] == '\0' || !GetFileAttributesExA(controlPath, GetFileExInfoStandard, &data)) return;
  size.LowPart = data.nFileSizeLow;
  size.HighPart = (LONG)data.nFileSizeHigh;
  if (size.QuadPart <= controlRead) return;
  EnterCriticalSection(&lock);
  file = CreateFileA(controlPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    size.QuadPart = controlRead;
    SetFilePointerEx(file, size, NULL, FILE_BEGIN);
    ReadFile(file, text, sizeof text - 1, &read, NULL);
    CloseHandle(file);
  }
  for (i = 0; i < read; ++i) {  /* whole lines only: a line still being written waits */
    if (text[i] != '\n') continue;
    text[i] = '\0';
    ApplyCommand(text + start);
    start = i + 1;
  }
  controlRead += start;
  LeaveCriticalSection(&lock);
}

/* ---- WinMM ---- */

UINT WINAPI midiOutGetNumDevs(void) {
  ApplyControl();
  LogHex("midiOutGetNumDevs", NULL, 0, NULL, 0, 0, outputs.count);
  return outputs.count;
}

MMRESULT WINAPI midiOutGetDevCapsA(UINT_PTR device, LPMIDIOUTCAPSA caps, UINT size) {
  MMRESULT result;
  ApplyControl();
  result = FillCaps(&outputs, device, TRUE, caps, size);
  LogDevice("midiOutGetDevCapsA", device, "size", size, result);
  return result;
}

MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  MMRESULT result = MMSYSERR_NOERROR;
  UINT slot = MAPPER_SLOT;
  (void)instance;
  ApplyControl();
  EnterCriticalSection(&lock);
  if (handle == NULL) {
    result = MMSYSERR_INVALPARAM;
  } else if (device == MIDI_MAPPER) {
    if (!mapperEnabled) result = MIDIERR_NODEVICE;
  } else if (device >= outputs.count) {
    result = MMSYSERR_BADDEVICEID;
  } else if (outputs.openFails[device]) {
    result = MMSYSERR_ALLOCATED;
  } else {
    slot = outputs.slots[device];
  }
  if (result == MMSYSERR_NOERROR && outputs.open[slot]) result = MMSYSERR_ALLOCATED;
  if (handle != NULL) *handle = NULL;
  if (result == MMSYSERR_NOERROR) {
    outputs.open[slot] = TRUE;
    *handle = (HMIDIOUT)(ULONG_PTR)(OUT_HANDLE_BASE + (device == MIDI_MAPPER ? 0xFFF : slot));
  }
  LogOpen("midiOutOpen", device, callback, flags, result);
  LeaveCriticalSection(&lock);
  return result;
}

MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD message) {
  MMRESULT result;
  int slot;
  DWORD wait = 0;
  ApplyControl();
  EnterCriticalSection(&lock);
  slot = OutputSlot(handle);
  result = slot < 0 ? MMSYSERR_INVALHANDLE : outputs.dead[slot] ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
  if (result == MMSYSERR_NOERROR && GetTickCount64() < notReadyUntil) result = MIDIERR_NOTREADY;
  if (slot >= 0) wait = outputs.dead[slot] ? deadWaitMs : slowMs;
  if (wait > 0) {
    LogHex("wait", "handle", (ULONG_PTR)handle, "msg", message, 8, result);
    LeaveCriticalSection(&lock);
    Sleep(wait); /* outside the lock: the driver answers other calls meanwhile */
    EnterCriticalSection(&lock);
  }
  LogHex("midiOutShortMsg", "handle", (ULONG_PTR)handle, "msg", message, 8, result);
  LeaveCriticalSection(&lock);
  return result;
}

MMRESULT WINAPI midiOutClose(HMIDIOUT handle) {
  MMRESULT result = MMSYSERR_NOERROR;
  int slot, i;
  ApplyControl();
  EnterCriticalSection(&lock);
  slot = OutputSlot(handle);
  if (slot >= 0 && outputs.dead[slot] && closeWaitMs > 0) {
    LogHex("wait", "handle", (ULONG_PTR)handle, NULL, 0, 0, MMSYSERR_NOERROR);
    LeaveCriticalSection(&lock);
    Sleep(closeWaitMs); /* outside the lock, as a send's wait */
    EnterCriticalSection(&lock);
  }
  if (slot < 0) {
    result = MMSYSERR_INVALHANDLE;
  } else {
    for (i = 0; i < MAX_PENDING; ++i)
      if (pending[i].header != NULL && pending[i].handle == handle && StillPlaying(&pending[i]))
        result = MIDIERR_STILLPLAYING;
    if (result == MMSYSERR_NOERROR) outputs.open[slot] = FALSE;
  }
  LogHex("midiOutClose", "handle", (ULONG_PTR)handle, NULL, 0, 0, result);
  LeaveCriticalSection(&lock);
  return result;
}

MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT size) {
  MMRESULT result = MMSYSERR_NOERROR;
  EnterCriticalSection(&lock);
  if (OutputSlot(handle) < 0) {
    result = MMSYSERR_INVALHANDLE;
  } else if (!HeaderUsable(header, size)) {
    result = MMSYSERR_INVALPARAM;
  } else if (!(header->dwFlags & MHDR_PREPARED)) {
    header->dwFlags = (header->dwFlags | MHDR_PREPARED) & ~(DWORD)MHDR_DONE;
  }
  LogHeader("midiOutPrepareHeader", handle, header, size, result);
  LeaveCriticalSection(&lock);
  return result;
}

MMRESULT WINAPI midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT size) {
  MMRESULT result = MMSYSERR_NOERROR;
  DWORD length = header != NULL && header->lpData != NULL ? header->dwBufferLength : 0;
  SIZE_T capacity = 256 + (SIZE_T)length * 3;
  char* buffer;
  Line line;
  DWORD i;
  EnterCriticalSection(&lock);
  if (OutputSlot(handle) < 0) {
    result = MMSYSERR_INVALHANDLE;
  } else if (!HeaderUsable(header, size)) {
    result = MMSYSERR_INVALPARAM;
  } else if (!(header->dwFlags & MHDR_PREPARED)) {
    result = MIDIERR_UNPREPARED;
  } else if (header->dwFlags & MHDR_INQUEUE) {
    result = MIDIERR_STILLPLAYING;
  } else if (longDelayMs == 0) {
    header->dwFlags |= MHDR_DONE;
  } else {
    Pending* entry = FindPending(NULL);
    if (entry == NULL) {
      result = MIDIERR_NOTREADY;
    } else {
      entry->header = header;
      entry->handle = handle;
      entry->due = GetTickCount64() + longDelayMs;
      header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~(DWORD)MHDR_DONE;
    }
  }
  buffer = (char*)HeapAlloc(GetProcessHeap(), 0, capacity);
  if (buffer != NULL) {
    BeginLine(&line, buffer, capacity, "midiOutLongMsg");
    AppendKeyHex(&line, "handle", (ULONG_PTR)handle, 1);
    AppendKeyNumber(&line, "length", length);
    Append(&line, " data=");
    for (i = 0; i < length; ++i) {
      if (i > 0) Append(&line, ",");
      AppendUnsigned(&line, (BYTE)header->lpData[i], 16, 2);
    }
    WriteLine(&line, result);
    HeapFree(GetProcessHeap(), 0, buffer);
  }
  LeaveCriticalSection(&lock);
  return result;
}

MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT size) {
  MMRESULT result = MMSYSERR_NOERROR;
  Pending* entry;
  EnterCriticalSection(&lock);
  if (OutputSlot(handle) < 0) {
    result = MMSYSERR_INVALHANDLE;
  } else if (!HeaderUsable(header, size)) {
    result = MMSYSERR_INVALPARAM;
  } else if (header->dwFlags & MHDR_PREPARED) {
    entry = FindPending(header); /* header is not NULL here */
    if (entry != NULL && StillPlaying(entry)) {
      result = MIDIERR_STILLPLAYING;
    } else {
      header->dwFlags &= ~(DWORD)MHDR_PREPARED;
    }
  }
  LogHeader("midiOutUnprepareHeader", handle, header, size, result);
  LeaveCriticalSection(&lock);
  return result;
}

/* Stops the output at once: every header queued on it is handed back, done. */
MMRESULT WINAPI midiOutReset(HMIDIOUT handle) {
  MMRESULT result = MMSYSERR_NOERROR;
  int i;
  EnterCriticalSection(&lock);
  if (OutputSlot(handle) < 0) {
    result = MMSYSERR_INVALHANDLE;
  } else {
    for (i = 0; i < MAX_PENDING; ++i)
      if (pending[i].header != NULL && pending[i].handle == handle) HandBack(&pending[i]);
  }
  LogHex("midiOutReset", "handle", (ULONG_PTR)handle, NULL, 0, 0, result);
  LeaveCriticalSection(&lock);
  return result;
}

UINT WINAPI midiInGetNumDevs(void) {
  LogHex("midiInGetNumDevs", NULL, 0, NULL, 0, 0, inputs.count);
  return inputs.count;
}

MMRESULT WINAPI midiInGetDevCapsA(UINT_PTR device, LPMIDIINCAPSA caps, UINT size) {
  MMRESULT result = FillCaps(&inputs, device, FALSE, caps, size);
  LogDevice("midiInGetDevCapsA", device, "size", size, result);
  return result;
}

MMRESULT WINAPI midiInOpen(LPHMIDIIN handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  MMRESULT result = MMSYSERR_NOERROR;
  EnterCriticalSection(&lock);
  if (handle == NULL) {
    result = MMSYSERR_INVALPARAM;
  } else if (device >= inputs.count) {
    result = MMSYSERR_BADDEVICEID;
  } else if (inputs.openFails[device] || inputs.open[device]) {
    result = MMSYSERR_ALLOCATED;
  }
  if (handle != NULL) *handle = NULL;
  if (result == MMSYSERR_NOERROR) {
    inputs.open[device] = TRUE;
    *handle = (HMIDIIN)(ULONG_PTR)(IN_HANDLE_BASE + device);
  }
  LogOpen("midiInOpen", device, callback, flags, result);
  LeaveCriticalSection(&lock);
  /* As a real driver does, the callback hears of the open at once. */
  if (result == MMSYSERR_NOERROR && (flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION && callback != 0)
    ((LPDRVCALLBACK)callback)((HDRVR)*handle, MIM_OPEN, instance, 0, 0);
  return result;
}

MMRESULT WINAPI midiInStart(HMIDIIN handle) {
  MMRESULT result;
  int slot;
  EnterCriticalSection(&lock);
  slot = InputSlot(handle);
  result = slot < 0 ? MMSYSERR_INVALHANDLE : inputs.startFails[slot] ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
  LogHex("midiInStart", "handle", (ULONG_PTR)handle, NULL, 0, 0, result);
  LeaveCriticalSection(&lock);
  return result;
}

MMRESULT WINAPI midiConnect(HMIDI input, HMIDIOUT output, LPVOID reserved) {
  MMRESULT result = MMSYSERR_NOERROR;
  (void)reserved;
  EnterCriticalSection(&lock);
  if ((InputSlot((HMIDIIN)input) < 0 && OutputSlot((HMIDIOUT)input) < 0) || OutputSlot(output) < 0) {
    result = MMSYSERR_INVALHANDLE;
  } else if (connectFails) {
    result = MMSYSERR_NOTSUPPORTED;
  }
  LogHex("midiConnect", "input", (ULONG_PTR)input, "output", (ULONG_PTR)output, 1, result);
  LeaveCriticalSection(&lock);
  return result;
}
