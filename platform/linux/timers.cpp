// Timers on Linux: a host thread that sleeps in ppoll until the next
// deadline or until it is told to look again (an eventfd), and interrupts
// the guest thread with a host real-time signal sent to it alone. The
// signal's handler hands the interrupted context to the shared code. The
// signal restarts the host's interrupted system calls (SA_RESTART); the
// waits that Linux never restarts (ppoll, nanosleep) are this port's own
// and look again.
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/linux/host.h"
#include "platform/timers.h"

namespace platform {

int g_timerWakeFd = -1;

namespace {

TimerExpiry g_expiry = nullptr;
GuestInterrupt g_interrupt = nullptr;
pid_t g_guestThread = 0;
pthread_t g_thread;
bool g_started = false;
int g_changedFd = -1;  // "look again" and "stop" for the timer thread
std::atomic<bool> g_stop{false};

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

timespec Span(int64_t ns) {
  if (ns < 0) ns = 0;
  return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

void Post(int fd) {
  const uint64_t one = 1;
  ssize_t ignored = write(fd, &one, sizeof one);
  (void)ignored;
}

void Drain(int fd) {
  uint64_t value;
  ssize_t ignored = read(fd, &value, sizeof value);
  (void)ignored;
}

int InterruptSignal() { return SIGRTMIN; }

void OnInterrupt(int, siginfo_t*, void* raw) {
  const int savedErrno = errno;  // the guest's cell
  auto* uc = static_cast<ucontext_t*>(raw);
  Context c = ContextOf(uc);
  if (g_interrupt != nullptr && g_interrupt(c)) StoreContext(c, uc);
  errno = savedErrno;
}

// Retries while the guest thread stays in host code: 1 ms, doubling to 16.
void* Run(void*) {
  int64_t retry = 0;
  for (;;) {
    const int64_t now = MonotonicNs();
    bool interrupt = false;
    int64_t next = g_expiry(now, &interrupt);
    if (g_stop.load()) return nullptr;
    if (interrupt) {
      Post(g_timerWakeFd);
      syscall(SYS_tgkill, getpid(), g_guestThread, InterruptSignal());
      retry = retry == 0 ? 1000000 : (retry < 16000000 ? retry * 2 : retry);
      if (next < 0 || next > now + retry) next = now + retry;
    } else {
      retry = 0;
    }
    pollfd fd{g_changedFd, POLLIN, 0};
    const timespec left = Span(next - MonotonicNs());
    if (ppoll(&fd, 1, next < 0 ? nullptr : &left, nullptr) > 0) Drain(g_changedFd);
    if (g_stop.load()) return nullptr;
  }
}

}  // namespace

void DrainTimerWake() {
  if (g_timerWakeFd >= 0) Drain(g_timerWakeFd);
}

void StartTimers(TimerExpiry expiry, GuestInterrupt interrupt) {
  if (g_started) {
    TimersChanged();
    return;
  }
  g_expiry = expiry;
  g_interrupt = interrupt;
  g_guestThread = static_cast<pid_t>(syscall(SYS_gettid));
  g_stop.store(false);
  if (g_changedFd < 0) g_changedFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (g_timerWakeFd < 0) g_timerWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (g_changedFd < 0 || g_timerWakeFd < 0) return;

  struct sigaction sa {};
  sa.sa_sigaction = OnInterrupt;
  // On the loader's own signal stack when the exception handler set one.
  sa.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
  sigfillset(&sa.sa_mask);
  sigaction(InterruptSignal(), &sa, nullptr);
  // A parent may have left it blocked: the loader's signal, not the guest's.
  sigset_t own;
  sigemptyset(&own);
  sigaddset(&own, InterruptSignal());
  pthread_sigmask(SIG_UNBLOCK, &own, nullptr);

  // The thread takes none of the process's signals: they stay the guest
  // thread's, as before.
  sigset_t all, saved;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &saved);
  g_started = pthread_create(&g_thread, nullptr, Run, nullptr) == 0;
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

bool TimersStarted() { return g_started; }

void TimersChanged() {
  if (g_started) Post(g_changedFd);
}

void StopTimers() {
  if (!g_started) return;
  g_started = false;
  g_stop.store(true);
  Post(g_changedFd);
  pthread_join(g_thread, nullptr);
}

void GuestCpuTimes(int64_t* userNs, int64_t* systemNs) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  *userNs = (int64_t{usage.ru_utime.tv_sec} * 1000000 + usage.ru_utime.tv_usec) * 1000;
  *systemNs = (int64_t{usage.ru_stime.tv_sec} * 1000000 + usage.ru_stime.tv_usec) * 1000;
}

bool WaitForTimers(int64_t timeoutNs) {
  const KeepErrno keep;
  if (g_timerWakeFd < 0) {
    if (timeoutNs < 0) pause();
    else {
      timespec left = Span(timeoutNs);
      nanosleep(&left, nullptr);
    }
    return false;
  }
  pollfd fd{g_timerWakeFd, POLLIN, 0};
  const timespec left = Span(timeoutNs);
  const int n = ppoll(&fd, 1, timeoutNs < 0 ? nullptr : &left, nullptr);
  if (n > 0) {
    Drain(g_timerWakeFd);
    return true;
  }
  return n < 0;  // our own interruption signal
}

}  // namespace platform
