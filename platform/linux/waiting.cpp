// Waiting on Linux: the host's ppoll on the same descriptors, whose bits
// are the guest's.
#define _GNU_SOURCE 1
#include <poll.h>
#include <time.h>

#include <vector>

#include "platform/linux/host.h"
#include "platform/waiting.h"

namespace platform {

namespace {

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

}  // namespace

int WaitForDescriptors(WaitEntry* entries, uint32_t count, int64_t timeoutNs,
                       uint32_t* readyCount) {
  const KeepErrno keep;
  // The timer thread's wake-up comes last, when the timers run.
  const bool timers = g_timerWakeFd >= 0;
  std::vector<pollfd> host(count + (timers ? 1 : 0));
  for (uint32_t i = 0; i < count; ++i)
    host[i] = {entries[i].fd, static_cast<short>(entries[i].wanted), 0};
  if (timers) host[count] = {g_timerWakeFd, POLLIN, 0};
  const int64_t deadline = timeoutNs < 0 ? 0 : MonotonicNs() + timeoutNs;
  int n;
  // A signal the loader itself takes (a command's SIGCHLD) is none of the
  // guest's: the wait goes on for what is left of it.
  for (;;) {
    timespec left{};
    if (timeoutNs >= 0) {
      int64_t rest = deadline - MonotonicNs();
      if (rest < 0) rest = 0;
      left = {static_cast<time_t>(rest / 1000000000), static_cast<long>(rest % 1000000000)};
    }
    n = ppoll(host.data(), host.size(), timeoutNs < 0 ? nullptr : &left, nullptr);
    if (n >= 0 || errno != EINTR) break;
  }
  if (n < 0) return errno;
  if (timers && host[count].revents != 0) {
    DrainTimerWake();
    return EINTR;
  }
  for (uint32_t i = 0; i < count; ++i)
    entries[i].ready = static_cast<uint16_t>(host[i].revents);
  *readyCount = static_cast<uint32_t>(n);
  return 0;
}

}  // namespace platform
