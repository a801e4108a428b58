// The import name registry, the reporter for unserved calls, and the pause.
#include <gtest/gtest.h>

#include <string>

#include "libc_test_support.h"
#include "libcbind/util.h"
#include "runtime/rtl.h"

namespace {

using namespace libctest;

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override { util::Init(); }
  void TearDown() override { util::Init(); }
  const uint32_t reporter = util::UnknownCallReporterAddress();
};

TEST_F(RegistryTest, EmptyRegistryResolvesEveryNameToTheReporter) {
  EXPECT_EQ(util::ImportCount(), 0u);
  EXPECT_EQ(util::LookupImport("puts"), reporter);
  EXPECT_EQ(util::LookupImport(""), reporter);
  EXPECT_NE(reporter, 0u);
}

TEST_F(RegistryTest, FirstRegistrationWinsAndBothAreKept) {
  util::RegisterImport("puts", 0x1000);
  util::RegisterImport("printf", 0x2000);
  util::RegisterImport("puts", 0x3000);
  EXPECT_EQ(util::LookupImport("puts"), 0x1000u);
  EXPECT_EQ(util::LookupImport("printf"), 0x2000u);
  ASSERT_EQ(util::ImportCount(), 3u);
  EXPECT_EQ(util::ImportName(2), "puts");
  EXPECT_EQ(util::ImportEntry(2), 0x3000u);
}

TEST_F(RegistryTest, OnlyTheExactWholeNameMatches) {
  util::RegisterImport("puts", 0x1000);
  for (const char* other : {"Puts", "PUTS", "putsx", "put", "puts ", " puts",
                            "puts@GLIBC_2.0", "p"}) {
    EXPECT_EQ(util::LookupImport(other), reporter) << other;
  }
  EXPECT_EQ(util::LookupImport("puts"), 0x1000u);
}

TEST_F(RegistryTest, EmptyNameNeverMatchesEvenWhenRegistered) {
  util::RegisterImport("", 0x1000);
  EXPECT_EQ(util::LookupImport(""), reporter);
}

TEST_F(RegistryTest, RegistryKeepsItsOwnCopyOfTheName) {
  std::string name = "fputs";
  util::RegisterImport(name, 0x1000);
  util::RegisterImport("fputs_unlocked", 0x1000);
  name = "xxxxx";
  EXPECT_EQ(util::LookupImport("fputs"), 0x1000u);
  EXPECT_EQ(util::LookupImport("fputs_unlocked"), 0x1000u);
  EXPECT_EQ(util::LookupImport("xxxxx"), reporter);
}

// The reporter is reached the way a rewritten PLT entry reaches it; it must
// come back to the entry's caller with EAX 0, the caller's stack as its call
// left it and the preserved registers intact.
TEST_F(RegistryTest, ReporterNamesTheCallAndReturnsToTheGuestsCaller) {
  ConsoleCapture console;
  const uint32_t args[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint32_t clobbered = 0xFF;
  const uint32_t result = tumbex_test_CallPlanted(
      Address(reinterpret_cast<const void*>(&tumbex_test_FakePltEntry)), args,
      &clobbered);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(clobbered, 0u);
  EXPECT_EQ(console.Text(), "Unknown/Unimplemented call \"no_such_function\"\n");
}

// In the child: a line pending in the writer's buffer, the pause at the end
// of input, then the exit.
[[noreturn]] void PauseInChild(const fs::path& out, uint32_t code) {
  RedirectLoaderConsole(out);
  rtl::Write("pending");
  util::PauseAndExit(code);
}

TEST_F(RegistryTest, PauseWritesOutTheConsoleAndExitsWithTheCode) {
  const fs::path out = TempPath("out");
  EXPECT_EXIT(PauseInChild(out, 7), testing::ExitedWithCode(7), "");
  EXPECT_EQ(ReadFile(out), "pending");
  EXPECT_EXIT(PauseInChild(out, 0), testing::ExitedWithCode(0), "");
}

}  // namespace
