// Splitting of a command line into words: blanks and control characters
// (0x01 to 0x20) separate them, a double-quoted stretch belongs to its word
// with the quotes removed, and a pair of quotes at the start of a word is
// dropped, so such a pair standing alone yields no word.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommandLine(std::string_view line);
