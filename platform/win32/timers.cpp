// Timers on Windows: a host thread that waits on an event until the next
// deadline, and interrupts the guest thread by suspending it, reading its
// context and writing back the one the shared code answers, then resuming
// it. The guest's waits wait on a second event that the thread sets.
#include <windows.h>

#include <atomic>

#include "platform/timers.h"

namespace platform {
namespace {

TimerExpiry g_expiry = nullptr;
GuestInterrupt g_interrupt = nullptr;
HANDLE g_guest = nullptr;
HANDLE g_thread = nullptr;
HANDLE g_changed = nullptr;  // auto-reset: look again, or stop
HANDLE g_wake = nullptr;     // auto-reset: the guest's waits end early
std::atomic<bool> g_stop{false};

// The system's timer ticks every 15.6 ms unless asked for 1 ms (winmm's
// timeBeginPeriod, looked up so that nothing more is linked): asked for
// while the timers run, so that a 10 ms interval is one.
using TimePeriod = UINT(WINAPI*)(UINT);
TimePeriod g_endPeriod = nullptr;

void AskFineTicks() {
  const HMODULE winmm = LoadLibraryA("winmm.dll");
  if (winmm == nullptr) return;
  const auto begin = reinterpret_cast<TimePeriod>(
      reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
  g_endPeriod = reinterpret_cast<TimePeriod>(
      reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")));
  if (begin == nullptr || g_endPeriod == nullptr || begin(1) != 0) g_endPeriod = nullptr;
}

int64_t MonotonicNs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? static_cast<int64_t>(f.QuadPart) : int64_t{1};
  }();
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return count.QuadPart / frequency * 1000000000 +
         count.QuadPart % frequency * 1000000000 / frequency;
}

// Milliseconds, rounded up so that a wait does not end before its time.
DWORD Milliseconds(int64_t ns) {
  if (ns < 0) return INFINITE;
  const int64_t ms = (ns + 999999) / 1000000;
  return ms > 0x7ffffffe ? 0x7ffffffe : static_cast<DWORD>(ms);
}

void Interrupt() {
  if (SuspendThread(g_guest) == static_cast<DWORD>(-1)) return;
  CONTEXT native{};
  native.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  if (GetThreadContext(g_guest, &native)) {
    Context c{};
    c.Edi = native.Edi;
    c.Esi = native.Esi;
    c.Ebx = native.Ebx;
    c.Edx = native.Edx;
    c.Ecx = native.Ecx;
    c.Eax = native.Eax;
    c.Ebp = native.Ebp;
    c.Eip = native.Eip;
    c.EFlags = native.EFlags;
    c.Esp = native.Esp;
    if (g_interrupt(c)) {
      native.Edi = c.Edi;
      native.Esi = c.Esi;
      native.Ebx = c.Ebx;
      native.Edx = c.Edx;
      native.Ecx = c.Ecx;
      native.Eax = c.Eax;
      native.Ebp = c.Ebp;
      native.Eip = c.Eip;
      native.EFlags = c.EFlags;
      native.Esp = c.Esp;
      SetThreadContext(g_guest, &native);
    }
  }
  ResumeThread(g_guest);
}

// Retries while the guest thread stays in host code: 1 ms, doubling to 16.
DWORD WINAPI Run(void*) {
  int64_t retry = 0;
  for (;;) {
    const int64_t now = MonotonicNs();
    bool interrupt = false;
    int64_t next = g_expiry(now, &interrupt);
    if (g_stop.load()) return 0;
    if (interrupt) {
      SetEvent(g_wake);
      Interrupt();
      retry = retry == 0 ? 1000000 : (retry < 16000000 ? retry * 2 : retry);
      if (next < 0 || next > now + retry) next = now + retry;
    } else {
      retry = 0;
    }
    int64_t left = next - MonotonicNs();
    if (left < 0) left = 0;
    WaitForSingleObject(g_changed, next < 0 ? INFINITE : Milliseconds(left));
    if (g_stop.load()) return 0;
  }
}

}  // namespace

void StartTimers(TimerExpiry expiry, GuestInterrupt interrupt) {
  if (g_thread != nullptr) {
    TimersChanged();
    return;
  }
  g_expiry = expiry;
  g_interrupt = interrupt;
  g_stop.store(false);
  if (g_guest != nullptr) CloseHandle(g_guest);
  g_guest = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                       &g_guest, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return;
  if (g_changed == nullptr) g_changed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (g_wake == nullptr) g_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (g_changed == nullptr || g_wake == nullptr) return;
  AskFineTicks();
  g_thread = CreateThread(nullptr, 64 * 1024, Run, nullptr, 0, nullptr);
  // Its look at the clock must come before the guest's next one.
  if (g_thread != nullptr) SetThreadPriority(g_thread, THREAD_PRIORITY_HIGHEST);
}

bool TimersStarted() { return g_thread != nullptr; }

void TimersChanged() {
  if (g_thread != nullptr) SetEvent(g_changed);
}

void StopTimers() {
  if (g_thread == nullptr) return;
  g_stop.store(true);
  SetEvent(g_changed);
  WaitForSingleObject(g_thread, INFINITE);
  CloseHandle(g_thread);
  g_thread = nullptr;
  if (g_endPeriod != nullptr) g_endPeriod(1);
  g_endPeriod = nullptr;
}

// The process's own times come late under Wine; the thread's are read
// from the host each time.
void GuestCpuTimes(int64_t* userNs, int64_t* systemNs) {
  FILETIME created{}, ended{}, kernel{}, user{};
  const HANDLE thread = g_guest != nullptr ? g_guest : GetCurrentThread();
  GetThreadTimes(thread, &created, &ended, &kernel, &user);
  auto ns = [](const FILETIME& t) {
    return static_cast<int64_t>(((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) * 100);
  };
  *userNs = ns(user);
  *systemNs = ns(kernel);
}

bool WaitForTimers(int64_t timeoutNs) {
  if (g_wake == nullptr) {
    Sleep(Milliseconds(timeoutNs));
    return false;
  }
  return WaitForSingleObject(g_wake, Milliseconds(timeoutNs)) == WAIT_OBJECT_0;
}

}  // namespace platform
