// What the time family's file holds for its neighbours (strftime's %s and
// %Z, strptime's %s): the time zone now in force and the conversions
// through it.
#pragma once

#include <cstdint>

#include "abi/time.h"
#include "libcbind/timezone.h"

namespace tblibc::tz {

// The zone now in force: TZ is read again on every call, as the C
// library's tzset does, and the guest's tzname, timezone and daylight
// follow it.
const Zone& Current();
// tzname[dst] of the zone now in force.
const char* ZoneName(bool dst);

// mktime's work: the broken-down local time, fields out of range and all,
// to seconds since 1970, with `tm` rewritten normalised (tm_isdst, tm_gmtoff
// and tm_zone too). tm_isdst > 0 reads the time as daylight time, 0 as
// standard time, < 0 as whichever is in force then.
int64_t LocalToUtc(linux::Tm* tm);
// Fills `tm` with the local time of `t` in the zone now in force.
bool LocalTime(int64_t t, linux::Tm* tm);

}  // namespace tblibc::tz

// Names of this family that others serve through (thrd_sleep).
extern "C" {
int32_t tblibc_clock_nanosleep(int32_t clock, int32_t flags, const linux::Timespec* request,
                               linux::Timespec* remaining);
int32_t tblibc_clock_nanosleep_time64(int32_t clock, int32_t flags,
                                      const linux::Timespec64* request,
                                      linux::Timespec64* remaining);
}
