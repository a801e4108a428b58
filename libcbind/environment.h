// The guest's environment and program name as the environment family
// keeps them, for other families: the reports of assertions and of
// error(), and whatever starts a program with the guest's environment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tblibc {

// What the guest's `program_invocation_short_name` (`__progname`) holds
// now: the part of argv[0] after its last directory separator, or what the
// guest has put there since. Empty before the guest starts.
std::string_view ProgramShortName();

// What the guest's `program_invocation_name` (`__progname_full`) holds now:
// argv[0], or what the guest has put there since. Empty before the guest
// starts.
std::string_view ProgramInvocationName();

// What of the guest's environment a command it starts is handed: the
// "name=value" entries `environ` shows now (the guest may have pointed it
// at an array of its own, or cleared it), without the start's fixed entry,
// which getenv does not see either.
std::vector<std::string> ChildEnvironment();

}  // namespace tblibc

// Start-up names this family serves.
extern "C" {
char* tblibc_getenv(const char* name);
}
