// tumbex: runs a Linux i386 console program in this process.
//
// Module start-up is explicit and in a fixed order, so that the registry is
// complete before the image loader rewrites the guest's PLT: the run-time
// support, `util`, the binding module `tblibc` and the dynamic linker's
// names, and last `tbsyscall`. The
// orderly shutdown runs the finalisations in reverse.
#include "libcbind/tblibc.h"
#include "libcbind/util.h"
#include "loader/dynlink.h"
#include "loader/runcontrol.h"
#include "platform/process.h"
#include "runtime/rtl.h"
#include "syscall/tbsyscall.h"

int main(int argc, char** argv) {
  platform::Init(argc, argv);
  rtl::Init();
  util::Init();
  rtl::AddFinaliser(util::Finalise);
  tblibc::Init();
  rtl::AddFinaliser(tblibc::Finalise);
  RegisterLinkerNames();
  tbsyscall::InitSyscallTable();
  RunLoader();
}
