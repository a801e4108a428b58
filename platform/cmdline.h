// Splitting of a Windows command line into words, by the Microsoft C
// runtime's rules, which is how Windows users quote:
// - the program's name (word 0) runs to the first blank, or from an opening
//   quote to the next quote, taken as it stands;
// - words are separated by spaces and tabs; a quoted stretch keeps them;
// - 2n backslashes before a quote give n backslashes and the quote opens or
//   closes a stretch; 2n+1 give n backslashes and a literal quote;
//   backslashes before anything else are themselves;
// - inside a stretch, a doubled quote gives one literal quote and ends it;
// - an empty stretch ("") is an empty word.
// The text is UTF-8; only ASCII characters have a meaning here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommandLine(std::string_view line);
