// The unit tests' scratch directory: made on first use, removed when the
// whole run ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <system_error>

#include "tests/unit/libc_test_support.h"

namespace libctest {
namespace {

fs::path gScratch;

class ScratchCleanup : public testing::Environment {
 public:
  void TearDown() override {
    if (gScratch.empty()) return;
    std::error_code ignored;
    fs::permissions(gScratch, fs::perms::owner_all, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(gScratch, ignored))
      fs::permissions(entry.path(), fs::perms::owner_all, ignored);
    fs::remove_all(gScratch, ignored);
    gScratch.clear();
  }
};

[[maybe_unused]] testing::Environment* const gCleanup =
    testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace

// Death tests run their statement in a child that may be a fresh start of
// this program, so the name cannot come from the process: it comes from
// the directory the run starts in (each port's build directory), which the
// child shares. Only the run as a whole removes it; a dying child never
// reaches the removal.
fs::path ScratchDirectory() {
  if (gScratch.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "tumbex_unit_%08zx",
                  std::hash<std::string>{}(fs::current_path().string()));
    gScratch = fs::temp_directory_path() / name;
    std::error_code error;
    fs::create_directories(gScratch, error);
    if (error) ADD_FAILURE() << "cannot make " << gScratch << ": " << error.message();
  }
  return gScratch;
}

}  // namespace libctest
