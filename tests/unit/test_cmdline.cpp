// Command line splitting: what users of the Windows port type to quote
// paths with blanks must come out as one word, without its quotes.
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
    {"   \t ", {}},
    {"tumbex hello", {"tumbex", "hello"}},
    {"  tumbex \t\r\n hello  ", {"tumbex", "hello"}},
    {"a\x01" "b\x1f" "c d", {"a", "b", "c", "d"}},           // 0x01..0x20 all separate
    {"a\x7f\x80\xff b", {"a\x7f\x80\xff", "b"}},             // high bytes do not
    {"tumbex \"my dir/hello\" x", {"tumbex", "my dir/hello", "x"}},
    {"tumbex my\" dir\"/hello", {"tumbex", "my dir/hello"}},  // quotes inside a word
    {"a\"b c\"d\"e f\"g", {"ab cde fg"}},
    {"tumbex \"\" x", {"tumbex", "x"}},                      // a pair alone: no word
    {"tumbex \"\"\"\" x", {"tumbex", "x"}},
    {"tumbex \"\"x", {"tumbex", "x"}},                       // dropped at a word's start
    {"tumbex x\"\"y", {"tumbex", "xy"}},                     // an empty stretch inside
    {"tumbex \" \"", {"tumbex", " "}},
    {"tumbex \"unterminated stretch", {"tumbex", "unterminated stretch"}},
    {"tumbex a\"", {"tumbex", "a"}},
    {"tumbex \"", {"tumbex"}},
};

TEST(SplitCommandLine, FollowsTheQuotingRules) {
  for (const SplitCase& c : kCases)
    EXPECT_EQ(SplitCommandLine(c.line), c.words) << "line: [" << c.line << "]";
}

TEST(SplitCommandLine, StopsAtNul) {
  EXPECT_EQ(SplitCommandLine(std::string_view("a b\0c", 5)),
            (std::vector<std::string>{"a", "b"}));
}

}  // namespace
