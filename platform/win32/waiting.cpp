// Waiting on Windows. Anonymous pipes and the console cannot be waited on
// together with a deadline, so the descriptors are looked at in turn, with
// short sleeps between the looks, until one has something or the time is
// up. Disk files and devices such as NUL are always ready, as on Linux.
#include <windows.h>

#include <cstdint>

#include "abi/polling.h"
#include "platform/time.h"
#include "platform/timers.h"
#include "platform/waiting.h"
#include "platform/win32/host.h"

namespace platform {

namespace {

constexpr uint16_t kIn = linux::kPOLLIN | linux::kPOLLRDNORM;
constexpr uint16_t kOut = linux::kPOLLOUT | linux::kPOLLWRNORM;
constexpr uint16_t kAlways = linux::kPOLLERR | linux::kPOLLHUP | linux::kPOLLNVAL;

// ntdll's view of a pipe end: whether the other end is still there, which
// Win32 has no call for.
struct PipeLocalInformation {
  ULONG type, configuration, maximumInstances, currentInstances;
  ULONG inboundQuota, readDataAvailable, outboundQuota, writeQuotaAvailable;
  ULONG state, end;
};
constexpr ULONG kPipeClosingState = 4;
constexpr int kFilePipeLocalInformation = 24;

using QueryFile = LONG(WINAPI*)(HANDLE, void* status, void* info, ULONG size, int kind);

bool PipeInformation(HANDLE h, PipeLocalInformation* info) {
  static const QueryFile query = reinterpret_cast<QueryFile>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
  if (query == nullptr) return false;
  ULONG_PTR status[2] = {};
  return query(h, status, info, sizeof *info, kFilePipeLocalInformation) >= 0;
}

// The read end answers PeekNamedPipe; the write end is refused it.
uint16_t PipeReady(HANDLE h) {
  PipeLocalInformation info{};
  const bool known = PipeInformation(h, &info);
  const bool otherGone = known && info.state == kPipeClosingState;
  DWORD available = 0;
  if (PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr))
    return (available > 0 ? kIn : 0) | (otherGone ? linux::kPOLLHUP : 0);
  if (GetLastError() == ERROR_BROKEN_PIPE) return linux::kPOLLHUP;
  // How full the pipe is cannot be told from the write end (Wine reports
  // no write quota at all), so it is taken as writable: a write into a
  // full pipe then waits, as a blocking write does.
  return kOut | (otherGone ? linux::kPOLLERR : 0);
}

// A key is waiting when its key-down event is; in line mode a read waits
// for the whole line, so only the line's end counts, as a Linux terminal
// in canonical mode has it. Nothing is taken from the input.
bool KeyWaiting(HANDLE h, DWORD mode) {
  DWORD pending = 0;
  if (!GetNumberOfConsoleInputEvents(h, &pending) || pending == 0) return false;
  INPUT_RECORD records[64];
  DWORD seen = 0;
  if (!PeekConsoleInputA(h, records, 64, &seen)) return false;
  for (DWORD i = 0; i < seen; ++i) {
    if (records[i].EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
    if (!key.bKeyDown || key.uChar.AsciiChar == 0) continue;
    if ((mode & ENABLE_LINE_INPUT) == 0 || key.uChar.AsciiChar == '\r') return true;
  }
  return false;
}

uint16_t ReadyNow(int fd, uint16_t wanted) {
  if (fd < 0) return 0;
  const HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kPOLLNVAL;
  uint16_t ready = kIn | kOut;
  DWORD mode = 0;
  switch (GetFileType(h)) {
    case FILE_TYPE_PIPE:
      ready = PipeReady(h);
      break;
    case FILE_TYPE_CHAR: {
      DWORD events = 0;
      if (GetConsoleMode(h, &mode) && GetNumberOfConsoleInputEvents(h, &events))
        ready = kOut | (KeyWaiting(h, mode) ? kIn : 0);
      break;
    }
    default:
      break;
  }
  return ready & (wanted | kAlways);
}

int64_t MonotonicNs() {
  int64_t seconds = 0;
  int32_t nanoseconds = 0;
  ClockRead(ClockKind::kMonotonic, &seconds, &nanoseconds);
  return seconds * 1000000000 + nanoseconds;
}

}  // namespace

int WaitForDescriptors(WaitEntry* entries, uint32_t count, int64_t timeoutNs,
                       uint32_t* readyCount) {
  const KeepErrno keep;
  const int64_t deadline = MonotonicNs() + (timeoutNs < 0 ? 0 : timeoutNs);
  for (DWORD pause = 1;; pause = pause < 10 ? pause + 1 : 10) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
      entries[i].ready = ReadyNow(entries[i].fd, entries[i].wanted);
      if (entries[i].ready != 0) ++n;
    }
    const int64_t left = deadline - MonotonicNs();
    if (n > 0 || (timeoutNs >= 0 && left <= 0)) {
      *readyCount = n;
      return 0;
    }
    // Rounded up, so that the last nap does not end short of the deadline.
    DWORD nap = pause;
    if (timeoutNs >= 0 && (left + 999999) / 1000000 < nap)
      nap = static_cast<DWORD>((left + 999999) / 1000000);
    if (WaitForTimers(int64_t{nap} * 1000000)) return EINTR;
  }
}

}  // namespace platform
