// Command line splitting: what Windows users type, quoted by the Microsoft
// C runtime's rules, must reach the guest word for word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cmdline.h"

namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
};

const SplitCase kCases[] = {
    {"", {}},
    {"tumbex hello", {"tumbex", "hello"}},
    {"tumbex \t hello  ", {"tumbex", "hello"}},
    {"tumbex a\nb\x01" "c", {"tumbex", "a\nb\x01" "c"}},            // only space and tab separate
    {"\"C:\\my dir\\tumbex.exe\" a", {"C:\\my dir\\tumbex.exe", "a"}},  // name: quotes group only
    {"C:\\tb\\\"x y\" a", {"C:\\tb\\x y", "a"}},
    {"t \"a b c\" d e", {"t", "a b c", "d", "e"}},
    {"t \"ab\\\"c\" \"\\\\\" d", {"t", "ab\"c", "\\", "d"}},
    {"t a\\\\\\b d\"e f\"g h", {"t", "a\\\\\\b", "de fg", "h"}},
    {"t a\\\\\\\"b c d", {"t", "a\\\"b", "c", "d"}},
    {"t a\\\\\\\\\"b c\" d e", {"t", "a\\\\b c", "d", "e"}},
    {"t a\"b\"\" c d", {"t", "ab\"", "c", "d"}},                  // "" in a stretch
    {"t \"\" x \"\"", {"t", "", "x", ""}},                         // empty words kept
    {"t \"unterminated stretch", {"t", "unterminated stretch"}},
    {"t trailing\\", {"t", "trailing\\"}},
    {"t \xc3\xa9\xe6\x97\xa5\xe6\x9c\xac", {"t", "\xc3\xa9\xe6\x97\xa5\xe6\x9c\xac"}},
};

TEST(SplitCommandLine, FollowsTheMicrosoftRules) {
  for (const SplitCase& c : kCases)
    EXPECT_EQ(SplitCommandLine(c.line), c.words) << "line: [" << c.line << "]";
}

TEST(SplitCommandLine, StopsAtNul) {
  EXPECT_EQ(SplitCommandLine(std::string_view("a b\0c", 5)),
            (std::vector<std::string>{"a", "b"}));
}

}  // namespace
