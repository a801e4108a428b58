// Command line splitting, the rule the loader has always used for its own
// arguments: it is what users of the Windows port quote their paths for.
#include "platform/cmdline.h"

#include <algorithm>

namespace {

// Every byte from 0x01 to 0x20 separates words; a NUL ends the line.
bool IsSeparator(unsigned char c) { return c != 0 && c <= 0x20; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  const size_t n = std::min(line.size(), line.find('\0'));
  auto at = [&](size_t k) { return k < n ? static_cast<unsigned char>(line[k]) : 0; };
  for (;;) {
    // Separators, and any pair of quotes standing at the start of a word,
    // are dropped; so "" alone gives no word at all.
    for (;;) {
      while (IsSeparator(at(i))) ++i;
      if (at(i) == '"' && at(i + 1) == '"') {
        i += 2;
        continue;
      }
      break;
    }
    if (i >= n) break;
    std::string word;
    while (i < n && !IsSeparator(at(i))) {
      if (at(i) != '"') {
        word += line[i++];
        continue;
      }
      // A quoted stretch, blanks included, up to the closing quote or the
      // end of the line; the quotes themselves are not part of the word.
      ++i;
      while (i < n && at(i) != '"') word += line[i++];
      if (i < n) ++i;
    }
    // Only an unterminated lone quote at the very end yields an empty word;
    // it counts as none.
    if (word.empty()) break;
    words.push_back(std::move(word));
  }
  return words;
}
