// Waiting on descriptors (poll and select): which of the host C runtime's
// descriptors can be read or written without blocking, in Linux's poll
// bits (abi/polling.h).
#pragma once

#include <cstdint>

namespace platform {

struct WaitEntry {
  int fd;           // negative: skipped, `ready` 0
  uint16_t wanted;  // POLLIN, POLLOUT ... as the guest asked
  uint16_t ready;   // what holds of `wanted`, and POLLERR, POLLHUP, POLLNVAL
};

// Fills every entry's `ready`, waiting until at least one entry has
// something or `timeoutNs` has passed (negative: no limit, 0: a look only);
// `*readyCount` is the number of entries with something. 0 or the errno;
// EINTR when the timer thread wanted an interruption while it waited (the
// entries are then undefined): the caller sees whether a signal came.
int WaitForDescriptors(WaitEntry* entries, uint32_t count, int64_t timeoutNs,
                       uint32_t* readyCount);

}  // namespace platform
