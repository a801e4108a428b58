// The signals family's delivery engine, in-process: handlers that are host
// functions stand in for guest ones (CallGuest calls either the same way).
// The paths that end the run (a default action) are the e2e cases'.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "abi/errno.h"
#include "abi/signals.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"

extern "C" {
int tblibc_sigaction(int32_t, const linux::SigAction*, linux::SigAction*);
int tblibc_sigprocmask(int32_t, const linux::SigSet*, linux::SigSet*);
int tblibc_raise(int32_t);
int tblibc_sigsuspend(const linux::SigSet*);
}

namespace {

std::string gTrace;

void Record(int32_t number) {
  gTrace += std::to_string(number) + "(";
  // What is blocked while this handler runs.
  for (int32_t n = 1; n < 32; ++n)
    if (tblibc::BlockedSignals() & (uint64_t{1} << (n - 1)))
      gTrace += " " + std::to_string(n);
  gTrace += ")";
}

int gEntries;
void RaiseAgain(int32_t number) {
  gTrace += "in" + std::to_string(number);
  if (++gEntries < 2) tblibc_raise(number);
  gTrace += "out";
}

uint32_t Entry(void (*f)(int32_t)) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

void Install(int32_t number, void (*f)(int32_t), uint32_t flags = 0,
             uint64_t mask = 0) {
  linux::SigAction act{};
  act.handler = Entry(f);
  act.flags = flags;
  act.mask.words[0] = static_cast<uint32_t>(mask);
  ASSERT_EQ(tblibc_sigaction(number, &act, nullptr), 0);
}

uint64_t Bit(int32_t n) { return uint64_t{1} << (n - 1); }

class Signals : public ::testing::Test {
 protected:
  void SetUp() override {
    tblibc::ResetSignals();
    gTrace.clear();
  }
  void TearDown() override { tblibc::ResetSignals(); }
};

TEST_F(Signals, UnblockingSeveralRunsTheHighestFirstWithTheLowerOnesBlocked) {
  for (int32_t n : {linux::kSIGHUP, linux::kSIGUSR1, linux::kSIGTERM})
    Install(n, Record);
  tblibc::SetBlockedSignals(Bit(linux::kSIGHUP) | Bit(linux::kSIGUSR1) |
                            Bit(linux::kSIGTERM));
  tblibc_raise(linux::kSIGTERM);
  tblibc_raise(linux::kSIGHUP);
  tblibc_raise(linux::kSIGUSR1);
  tblibc_raise(linux::kSIGHUP);  // a second one of a kind merges
  EXPECT_EQ(gTrace, "");
  tblibc::SetBlockedSignals(0);
  EXPECT_EQ(gTrace, "15( 1 10 15)10( 1 10)1( 1)");
  EXPECT_EQ(tblibc::BlockedSignals(), 0u);
}

TEST_F(Signals, AHandlersMaskAndItsOwnSignalAreBlockedUnlessNodefer) {
  gEntries = 0;
  Install(linux::kSIGUSR2, RaiseAgain);
  tblibc_raise(linux::kSIGUSR2);
  // Deferred: the second delivery comes after the first returns.
  EXPECT_EQ(gTrace, "in12outin12out");
  gTrace.clear();
  gEntries = 0;
  Install(linux::kSIGUSR2, RaiseAgain, linux::kSA_NODEFER);
  tblibc_raise(linux::kSIGUSR2);
  EXPECT_EQ(gTrace, "in12in12outout");
}

TEST_F(Signals, ResetHandPutsTheDefaultBackBeforeTheHandlerRuns) {
  Install(linux::kSIGALRM, Record, linux::kSA_RESETHAND);
  tblibc_raise(linux::kSIGALRM);
  linux::SigAction now{};
  tblibc_sigaction(linux::kSIGALRM, nullptr, &now);
  EXPECT_EQ(now.handler, linux::kSIG_DFL);
  EXPECT_EQ(gTrace, "14( 14)");
}

TEST_F(Signals, TheKernelsAndTheLibrarysOwnSignalsCannotBeBlocked) {
  linux::SigSet all;
  std::memset(&all, 0xFF, sizeof all);
  tblibc_sigprocmask(linux::kSIG_SETMASK, &all, nullptr);
  const uint64_t blocked = tblibc::BlockedSignals();
  for (int32_t n : {linux::kSIGKILL, linux::kSIGSTOP, linux::kSIGCANCEL,
                    linux::kSIGSETXID})
    EXPECT_EQ(blocked & Bit(n), 0u) << n;
  EXPECT_NE(blocked & Bit(64), 0u);
}

TEST_F(Signals, ABrokenPipeWriteRaisesSigpipeAndStillFailsWithEpipe) {
  Install(linux::kSIGPIPE, Record);
  tblibc::AfterFailedWrite(linux::kEPIPE, 1);
  EXPECT_EQ(gTrace, "13( 13)");
  EXPECT_EQ(tblibc::Errno(), linux::kEPIPE);
  gTrace.clear();
  // Other failures are not a signal.
  tblibc::AfterFailedWrite(linux::kENOSPC, 1);
  tblibc::AfterFailedWrite(linux::kEINVAL, -1);
  EXPECT_EQ(gTrace, "");
  // Ignored: nothing runs, the write fails as it would.
  linux::SigAction ignore{};
  ignore.handler = linux::kSIG_IGN;
  tblibc_sigaction(linux::kSIGPIPE, &ignore, nullptr);
  tblibc::AfterFailedWrite(linux::kEPIPE, 1);
  EXPECT_EQ(gTrace, "");
  EXPECT_EQ(tblibc::Errno(), linux::kEPIPE);
}

TEST_F(Signals, SigsuspendDeliversWhatItsMaskLetsThroughThenRestores) {
  Install(linux::kSIGUSR1, Record);
  tblibc::SetBlockedSignals(Bit(linux::kSIGUSR1) | Bit(linux::kSIGHUP));
  tblibc_raise(linux::kSIGUSR1);
  linux::SigSet only{};
  only.words[0] = static_cast<uint32_t>(Bit(linux::kSIGHUP));
  EXPECT_EQ(tblibc_sigsuspend(&only), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEINTR);
  EXPECT_EQ(gTrace, "10( 1 10)");
  EXPECT_EQ(tblibc::BlockedSignals(), Bit(linux::kSIGUSR1) | Bit(linux::kSIGHUP));
}

}  // namespace
