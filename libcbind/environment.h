// The guest's environment and program name as the environment family
// keeps them, for other families: the reports of assertions and of
// error(), and whatever starts a program with the guest's environment.
#pragma once

#include <string_view>

namespace tblibc {

// What the guest's `program_invocation_short_name` (`__progname`) holds
// now: the part of argv[0] after its last directory separator, or what the
// guest has put there since. Empty before the guest starts.
std::string_view ProgramShortName();

// What the guest's `program_invocation_name` (`__progname_full`) holds now:
// argv[0], or what the guest has put there since. Empty before the guest
// starts.
std::string_view ProgramInvocationName();

// The guest's environment as `environ` shows it now (the guest may have
// pointed it at an array of its own, or cleared it): null-terminated
// "name=value" pointers, or null.
char** CurrentEnvironment();

}  // namespace tblibc

// Start-up names this family serves.
extern "C" {
char* tblibc_getenv(const char* name);
}
