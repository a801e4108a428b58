// The guest's program name as the environment family keeps it, for the
// reports of other families (assertions).
#pragma once

#include <string_view>

namespace tblibc {

// What the guest's `program_invocation_short_name` (`__progname`) holds
// now: the part of argv[0] after its last directory separator, or what the
// guest has put there since. Empty before the guest starts.
std::string_view ProgramShortName();

}  // namespace tblibc
