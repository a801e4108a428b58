// A write into a host pipe whose reader has gone, through the start-up
// write entry: SIGPIPE for the guest, EPIPE for the write, the host
// process untouched.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstring>

#include "abi/errno.h"
#include "abi/signals.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"
#include "platform/process.h"

extern "C" {
int tblibc_sigaction(int32_t, const linux::SigAction*, linux::SigAction*);
int32_t tblibc_write(int32_t, const void*, uint32_t);
}

namespace {

int gCaught;
void Caught(int32_t number) { gCaught = number; }

TEST(SignalsWin32, AWriteIntoAPipeWithNoReaderIsSigpipe) {
  platform::KeepBrokenPipesQuiet();  // nothing to do here
  tblibc::ResetSignals();
  int ends[2];
  ASSERT_EQ(_pipe(ends, 256, _O_BINARY), 0);
  _close(ends[0]);
  linux::SigAction act{};
  act.handler = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&Caught));
  tblibc_sigaction(linux::kSIGPIPE, &act, nullptr);
  gCaught = 0;
  EXPECT_EQ(tblibc_write(ends[1], "x", 1), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEPIPE);
  EXPECT_EQ(gCaught, linux::kSIGPIPE);
  _close(ends[1]);
  tblibc::ResetSignals();
}

}  // namespace
