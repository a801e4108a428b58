// How the platform answers, on every port and in every concern:
//
//   A call that can fail returns int: 0 when it did what was asked, else a
//   positive Linux errno (linux::kENOENT ..., the numbers of abi/errno.h).
//   What it produces comes back through its out-parameters. Questions
//   return bool; calls that cannot fail return nothing.
//
// So each port says in the guest's own words why something failed, once,
// in its own files, and nothing above the platform ever sees a host error
// code.
#pragma once

namespace platform {

// The Linux errno for an errno value the host C runtime left behind, for
// our code that calls the host C runtime directly (the value itself on
// Linux; on Windows, msvcrt's numbers differ above 34).
int LinuxErrnoOfCrt(int hostErrno);

}  // namespace platform
