// Command line splitting by the Microsoft C runtime's rules.
#include "platform/cmdline.h"

#include <algorithm>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  std::vector<std::string> words;
  size_t i = 0;
  const size_t n = line.size();

  // The program's name: no escapes, quotes only group.
  std::string program;
  bool quoted = false;
  for (; i < n && (quoted || !IsBlank(line[i])); ++i) {
    if (line[i] == '"')
      quoted = !quoted;
    else
      program += line[i];
  }
  if (n > 0) words.push_back(std::move(program));

  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string word;
    quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      size_t slashes = 0;
      while (i < n && line[i] == '\\') ++slashes, ++i;
      if (i < n && line[i] == '"') {
        word.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          word += '"';
          ++i;
        } else if (quoted && i + 1 < n && line[i + 1] == '"') {
          word += '"';
          i += 2;
          quoted = false;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      word.append(slashes, '\\');
      if (i < n && (quoted || !IsBlank(line[i]))) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}
