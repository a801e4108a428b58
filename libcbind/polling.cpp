// poll and select: waiting for descriptors to be readable or writable.
// Every form comes down to the platform's one wait over a list of
// descriptors in poll's terms; select's sets are turned into that list and
// back. A signal that the call's mask (the guest's own, or the one ppoll
// and pselect give) lets through, pending before the call or sent by a
// timer while it waits, runs its handler and the call fails with EINTR.
#include <cstdint>
#include <iterator>
#include <vector>

#include "abi/errno.h"
#include "abi/polling.h"
#include "abi/signals.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "platform/time.h"
#include "platform/waiting.h"

namespace {

using linux::FdSet;
using linux::PollFd;

constexpr int64_t kForever = -1;
// More than anyone waits (about 292 years): the wait has no limit.
constexpr int64_t kLongestSeconds = INT64_MAX / 1000000000 - 1;
// A list longer than any process's descriptors is refused, as Linux
// refuses one beyond RLIMIT_NOFILE.
constexpr uint32_t kMostEntries = 1u << 20;

int32_t Fail(int32_t linuxErrno) {
  tblibc::SetErrno(linuxErrno);
  return -1;
}

int64_t SpanNs(int64_t seconds, int64_t fraction, int64_t unit) {
  if (seconds > kLongestSeconds) return kForever;
  return seconds * 1000000000 + fraction * unit;
}

int64_t MonotonicNs() {
  int64_t s = 0;
  int32_t ns = 0;
  platform::ClockRead(platform::ClockKind::kMonotonic, &s, &ns);
  return s * 1000000000 + ns;
}

uint64_t Bits(const linux::SigSet& set) {
  return uint64_t{set.words[0]} | uint64_t{set.words[1]} << 32;
}

// The platform's wait, again for what is left of the time each time the
// timer thread woke it for a signal that ran no handler. 0, EINTR when a
// handler ran (under `mask`, or the guest's mask when null), or the errno.
int Wait(platform::WaitEntry* entries, uint32_t count, int64_t timeoutNs,
         const linux::SigSet* mask, uint32_t* ready) {
  uint64_t bits = 0;
  if (mask != nullptr) bits = Bits(*mask);
  const uint64_t* during = mask != nullptr ? &bits : nullptr;
  const int64_t deadline = timeoutNs < 0 ? -1 : MonotonicNs() + timeoutNs;
  for (;;) {
    if (tblibc::InterruptedBySignal(during)) return linux::kEINTR;
    int64_t left = -1;
    if (deadline >= 0) {
      left = deadline - MonotonicNs();
      if (left < 0) left = 0;
    }
    const int e = platform::WaitForDescriptors(entries, count, left, ready);
    if (e != linux::kEINTR) return e;
  }
}

int32_t Poll(PollFd* fds, uint32_t count, int64_t timeoutNs, const linux::SigSet* mask) {
  if (count > kMostEntries) return Fail(linux::kEINVAL);
  if (fds == nullptr && count > 0) return Fail(linux::kEFAULT);
  std::vector<platform::WaitEntry> entries(count);
  for (uint32_t i = 0; i < count; ++i)
    entries[i] = {fds[i].fd, static_cast<uint16_t>(fds[i].events), 0};
  uint32_t ready = 0;
  if (const int e = Wait(entries.data(), count, timeoutNs, mask, &ready)) return Fail(e);
  for (uint32_t i = 0; i < count; ++i) fds[i].revents = static_cast<int16_t>(entries[i].ready);
  return static_cast<int32_t>(ready);
}

bool ValidTimespec(int64_t seconds, int32_t nanoseconds) {
  return seconds >= 0 && nanoseconds >= 0 && nanoseconds <= 999999999;
}

// What the kernel counts as ready for each of select's sets.
constexpr uint16_t kReadSet = linux::kPOLLIN | linux::kPOLLRDNORM | linux::kPOLLRDBAND |
                              linux::kPOLLHUP | linux::kPOLLERR;
constexpr uint16_t kWriteSet = linux::kPOLLOUT | linux::kPOLLWRNORM | linux::kPOLLWRBAND |
                               linux::kPOLLERR;
constexpr uint16_t kExceptSet = linux::kPOLLPRI;

bool Has(const FdSet* set, int32_t fd) {
  return set != nullptr && (set->bits[fd / 32] >> (fd % 32) & 1) != 0;
}

// The sets are left as they were when the call fails.
int32_t Select(int32_t count, FdSet* read, FdSet* write, FdSet* except, int64_t timeoutNs,
               const linux::SigSet* mask) {
  if (count < 0) return Fail(linux::kEINVAL);
  if (count > linux::kFD_SETSIZE) count = linux::kFD_SETSIZE;
  std::vector<platform::WaitEntry> entries;
  for (int32_t fd = 0; fd < count; ++fd) {
    uint16_t wanted = 0;
    if (Has(read, fd)) wanted |= linux::kPOLLIN | linux::kPOLLRDNORM | linux::kPOLLRDBAND;
    if (Has(write, fd)) wanted |= linux::kPOLLOUT | linux::kPOLLWRNORM | linux::kPOLLWRBAND;
    if (Has(except, fd)) wanted |= linux::kPOLLPRI;
    if (wanted != 0) entries.push_back({fd, wanted, 0});
  }
  uint32_t ready = 0;
  if (const int e = Wait(entries.data(), static_cast<uint32_t>(entries.size()), timeoutNs,
                         mask, &ready))
    return Fail(e);
  for (const platform::WaitEntry& entry : entries)
    if (entry.ready & linux::kPOLLNVAL) return Fail(linux::kEBADF);
  // The kernel writes back whole words of the sets, as far as `count`
  // reaches; later words stay as the caller left them.
  FdSet* sets[] = {read, write, except};
  constexpr uint16_t kCounted[] = {kReadSet, kWriteSet, kExceptSet};
  FdSet found[3] = {};
  int32_t total = 0;
  for (const platform::WaitEntry& entry : entries)
    for (int k = 0; k < 3; ++k)
      if (Has(sets[k], entry.fd) && (entry.ready & kCounted[k]) != 0) {
        found[k].bits[entry.fd / 32] |= uint32_t{1} << (entry.fd % 32);
        ++total;
      }
  for (int k = 0; k < 3; ++k)
    if (sets[k] != nullptr)
      for (int32_t w = 0; w < (count + 31) / 32; ++w) sets[k]->bits[w] = found[k].bits[w];
  return total;
}

// select leaves in its timeval what was left of the wait, as Linux does.
template <typename Tv>
int32_t SelectUpdating(int32_t count, FdSet* read, FdSet* write, FdSet* except, Tv* timeout) {
  int64_t span = kForever;
  if (timeout != nullptr) {
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0) return Fail(linux::kEINVAL);
    const int64_t seconds = int64_t{timeout->tv_sec} + timeout->tv_usec / 1000000;
    span = SpanNs(seconds, timeout->tv_usec % 1000000, 1000);
  }
  const int64_t start = span > 0 ? MonotonicNs() : 0;
  const int32_t result = Select(count, read, write, except, span, nullptr);
  if (span > 0) {
    // A wait that ran out has nothing left, whatever the clocks say.
    int64_t left = result == 0 ? 0 : span - (MonotonicNs() - start);
    if (left < 0) left = 0;
    timeout->tv_sec = static_cast<decltype(timeout->tv_sec)>(left / 1000000000);
    timeout->tv_usec = static_cast<int32_t>(left % 1000000000 / 1000);
  }
  return result;
}

[[noreturn]] void Overflow() { tblibc::FatalError("*** buffer overflow detected ***: terminated"); }

}  // namespace

extern "C" {

int32_t tblibc_poll(PollFd* fds, uint32_t count, int32_t timeoutMs) {
  return Poll(fds, count, timeoutMs < 0 ? kForever : int64_t{timeoutMs} * 1000000, nullptr);
}

int32_t tblibc_ppoll64(PollFd* fds, uint32_t count, const linux::Timespec64* timeout,
                       const linux::SigSet* mask) {
  int64_t span = kForever;
  if (timeout != nullptr) {
    if (!ValidTimespec(timeout->tv_sec, timeout->tv_nsec)) return Fail(linux::kEINVAL);
    span = SpanNs(timeout->tv_sec, timeout->tv_nsec, 1);
  }
  return Poll(fds, count, span, mask);
}

int32_t tblibc_ppoll(PollFd* fds, uint32_t count, const linux::Timespec* timeout,
                     const linux::SigSet* mask) {
  if (timeout == nullptr) return tblibc_ppoll64(fds, count, nullptr, mask);
  const linux::Timespec64 wide{timeout->tv_sec, timeout->tv_nsec, 0};
  return tblibc_ppoll64(fds, count, &wide, mask);
}

int32_t tblibc_poll_chk(PollFd* fds, uint32_t count, int32_t timeoutMs, uint32_t size) {
  if (size / sizeof(PollFd) < count) Overflow();
  return tblibc_poll(fds, count, timeoutMs);
}

int32_t tblibc_ppoll_chk(PollFd* fds, uint32_t count, const linux::Timespec* timeout,
                         const linux::SigSet* mask, uint32_t size) {
  if (size / sizeof(PollFd) < count) Overflow();
  return tblibc_ppoll(fds, count, timeout, mask);
}

int32_t tblibc_select(int32_t count, FdSet* read, FdSet* write, FdSet* except,
                      linux::Timeval* timeout) {
  return SelectUpdating(count, read, write, except, timeout);
}

int32_t tblibc_select64(int32_t count, FdSet* read, FdSet* write, FdSet* except,
                        linux::Timeval64* timeout) {
  return SelectUpdating(count, read, write, except, timeout);
}

int32_t tblibc_pselect64(int32_t count, FdSet* read, FdSet* write, FdSet* except,
                         const linux::Timespec64* timeout, const linux::SigSet* mask) {
  int64_t span = kForever;
  if (timeout != nullptr) {
    if (!ValidTimespec(timeout->tv_sec, timeout->tv_nsec)) return Fail(linux::kEINVAL);
    span = SpanNs(timeout->tv_sec, timeout->tv_nsec, 1);
  }
  return Select(count, read, write, except, span, mask);
}

int32_t tblibc_pselect(int32_t count, FdSet* read, FdSet* write, FdSet* except,
                       const linux::Timespec* timeout, const linux::SigSet* mask) {
  if (timeout == nullptr) return tblibc_pselect64(count, read, write, except, nullptr, mask);
  const linux::Timespec64 wide{timeout->tv_sec, timeout->tv_nsec, 0};
  return tblibc_pselect64(count, read, write, except, &wide, mask);
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_poll>("poll"),
    Fn<&tblibc_poll>("__poll"),
    Fn<&tblibc_ppoll>("ppoll"),
    Fn<&tblibc_ppoll64>("__ppoll64"),
    Fn<&tblibc_poll_chk>("__poll_chk"),
    Fn<&tblibc_ppoll_chk>("__ppoll_chk"),
    Fn<&tblibc_select>("select"),
    Fn<&tblibc_select>("__select"),
    Fn<&tblibc_select64>("__select64"),
    Fn<&tblibc_pselect>("pselect"),
    Fn<&tblibc_pselect64>("__pselect64"),
};
static_assert(std::size(kExports) == 11);

}  // namespace

extern const Family kPollingFamily;
const Family kPollingFamily{"polling", kExports};

}  // namespace tblibc
