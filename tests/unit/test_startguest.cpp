// The start stack image and the guest's program path, looked at without
// jumping anywhere.
#include <gtest/gtest.h>

#include <string>

#include "loader/startguest.h"
#include "platform/files.h"

namespace {

uint32_t Address(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

TEST(StartStack, IsArgcArgvNullEnvironmentNull) {
  char a0[] = "/x/hello", a1[] = "a", a2[] = "b c";
  char env[] = "_=run";
  char* argv[] = {a0, a1, a2, nullptr};
  char* envp[] = {env, nullptr};
  const std::vector<uint32_t> image = BuildStartStack(3, argv, envp);
  const std::vector<uint32_t> expected = {
      3, Address(a0), Address(a1), Address(a2), 0, Address(env), 0};
  EXPECT_EQ(image, expected);
}

TEST(StartStack, OneArgumentIsFiveWords) {
  char a0[] = "hello";
  char env[] = "_=run";
  char* argv[] = {a0, nullptr};
  char* envp[] = {env, nullptr};
  EXPECT_EQ(BuildStartStack(1, argv, envp),
            (std::vector<uint32_t>{1, Address(a0), 0, Address(env), 0}));
}

TEST(ProgramPath, AbsolutePathIsKeptRelativeIsJoinedToTheCurrentDirectory) {
  const std::string cwd = platform::CurrentDirectory();
  const std::string absolute = cwd + platform::DirectorySeparator() + "prog";
  EXPECT_EQ(GuestProgramPath(absolute), absolute);
  const std::string joined = GuestProgramPath("sub/prog");
  EXPECT_EQ(joined.substr(0, cwd.size()), cwd);
  EXPECT_EQ(joined.substr(joined.size() - 8), "sub/prog");
  EXPECT_EQ(joined.size(), cwd.size() + 1 + 8);  // one separator between
}

}  // namespace
