// The unit tests' scratch directory: made on first use under a name no other
// run holds, removed when the whole run ends.
#include <gtest/gtest.h>

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

fs::path ScratchDirectory() {
  if (gScratch.empty()) {
    const fs::path base = fs::temp_directory_path();
    for (unsigned n = 0;; ++n) {
      const fs::path candidate = base / ("tumbex_unit_" + std::to_string(n));
      std::error_code error;
      if (fs::create_directory(candidate, error)) {
        gScratch = candidate;
        break;
      }
      if (error) ADD_FAILURE() << "cannot make " << candidate << ": " << error.message();
      if (error || n > 100000) return base;
    }
  }
  return gScratch;
}

}  // namespace libctest
