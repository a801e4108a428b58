// The fnmatch engine: a pattern is walked against the text, '*' by
// backtracking to the last star only (enough for shell patterns, and never
// exponential), brackets by their own small parser.
#include "libcbind/match.h"

#include <cstring>

#include "abi/files.h"
#include "libcbind/ctype.h"

namespace tblibc::match {
namespace {

unsigned char Fold(unsigned char c, bool caseFold) {
  return caseFold && ctype::InClass(c, ctype::kUpper) ? static_cast<unsigned char>(c + 32)
                                                      : c;
}

enum class Bracket { kMatch, kNoMatch, kInvalid };

// Matches `c` against the bracket expression starting after '[' at `p`;
// on success `p` ends after the closing ']'.
Bracket MatchBracket(std::string_view pattern, size_t* p, unsigned char c,
                     int32_t flags) {
  const bool noEscape = (flags & linux::kFNM_NOESCAPE) != 0;
  const bool caseFold = (flags & linux::kFNM_CASEFOLD) != 0;
  size_t i = *p;
  bool negate = false;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) {
    negate = true;
    ++i;
  }
  const unsigned char folded = Fold(c, caseFold);
  bool matched = false;
  bool first = true;
  while (true) {
    if (i >= pattern.size()) return Bracket::kInvalid;
    unsigned char lo = static_cast<unsigned char>(pattern[i]);
    if (lo == ']' && !first) {
      ++i;
      break;
    }
    first = false;
    if (lo == '[' && i + 1 < pattern.size() && pattern[i + 1] == ':') {
      const size_t end = pattern.find(":]", i + 2);
      if (end == std::string_view::npos) return Bracket::kInvalid;
      const std::string_view name = pattern.substr(i + 2, end - i - 2);
      const uint16_t bit = ctype::ClassNamed(name);
      if (bit == 0) return Bracket::kInvalid;
      if (ctype::InClass(c, bit)) matched = true;
      i = end + 2;
      continue;
    }
    if (lo == '\\' && !noEscape) {
      if (++i >= pattern.size()) return Bracket::kInvalid;
      lo = static_cast<unsigned char>(pattern[i]);
    }
    ++i;
    unsigned char hi = lo;
    if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
      hi = static_cast<unsigned char>(pattern[i + 1]);
      i += 2;
      if (hi == '\\' && !noEscape) {
        if (i >= pattern.size()) return Bracket::kInvalid;
        hi = static_cast<unsigned char>(pattern[i++]);
      }
    }
    if (lo <= hi) {
      if (folded >= Fold(lo, caseFold) && folded <= Fold(hi, caseFold)) matched = true;
      if (c >= lo && c <= hi) matched = true;
      if (caseFold && ctype::InClass(folded, ctype::kLower) && folded - 32 >= lo &&
          folded - 32 <= hi)
        matched = true;
    }
  }
  *p = i;
  return matched != negate ? Bracket::kMatch : Bracket::kNoMatch;
}

// A period that must be matched by a literal period here.
bool LeadingPeriod(std::string_view text, size_t t, int32_t flags) {
  if ((flags & linux::kFNM_PERIOD) == 0 || t >= text.size() || text[t] != '.')
    return false;
  return t == 0 || ((flags & linux::kFNM_PATHNAME) && text[t - 1] == '/');
}

}  // namespace

int32_t Fnmatch(std::string_view pattern, std::string_view text, int32_t flags) {
  const bool noEscape = (flags & linux::kFNM_NOESCAPE) != 0;
  const bool pathName = (flags & linux::kFNM_PATHNAME) != 0;
  const bool caseFold = (flags & linux::kFNM_CASEFOLD) != 0;
  const bool leadingDir = (flags & linux::kFNM_LEADING_DIR) != 0;
  size_t p = 0, t = 0;
  // Where to resume after the last '*': its pattern position and the text
  // position it has swallowed up to.
  size_t starP = std::string_view::npos, starT = 0;
  while (true) {
    if (p == pattern.size()) {
      if (t == text.size()) return 0;
      if (leadingDir && text[t] == '/') return 0;
    } else {
      const char pc = pattern[p];
      if (pc == '*') {
        if (LeadingPeriod(text, t, flags)) goto mismatch;
        while (p < pattern.size() && pattern[p] == '*') ++p;
        if (p == pattern.size()) {
          if (!pathName) return 0;
          const size_t slash = text.find('/', t);
          if (slash == std::string_view::npos) return 0;
          return leadingDir ? 0 : linux::kFNM_NOMATCH;
        }
        starP = p;
        starT = t;
        continue;
      }
      if (t < text.size()) {
        const unsigned char tc = static_cast<unsigned char>(text[t]);
        if (pc == '?') {
          if ((pathName && tc == '/') || LeadingPeriod(text, t, flags))
            goto mismatch;
          ++p;
          ++t;
          continue;
        }
        if (pc == '[') {
          if ((pathName && tc == '/') || LeadingPeriod(text, t, flags))
            goto mismatch;
          size_t next = p + 1;
          const Bracket b = MatchBracket(pattern, &next, tc, flags);
          if (b == Bracket::kMatch) {
            p = next;
            ++t;
            continue;
          }
          if (b == Bracket::kNoMatch) goto mismatch;
          // An unclosed '[' stands for itself.
          if (tc == '[') {
            ++p;
            ++t;
            continue;
          }
          goto mismatch;
        }
        unsigned char literal = static_cast<unsigned char>(pc);
        size_t width = 1;
        if (pc == '\\' && !noEscape) {
          // A pattern ending in a lone backslash matches nothing.
          if (p + 1 == pattern.size()) goto mismatch;
          literal = static_cast<unsigned char>(pattern[p + 1]);
          width = 2;
        }
        if (Fold(literal, caseFold) == Fold(tc, caseFold)) {
          p += width;
          ++t;
          continue;
        }
      }
    }
  mismatch:
    // Let the last star swallow one more character, unless that crosses a
    // '/' the star may not match.
    if (starP == std::string_view::npos || starT >= text.size()) break;
    if (pathName && text[starT] == '/') break;
    ++starT;
    p = starP;
    t = starT;
  }
  return linux::kFNM_NOMATCH;
}

bool HasMagic(std::string_view pattern, bool noEscape) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\' && !noEscape) {
      ++i;
      continue;
    }
    if (c == '*' || c == '?') return true;
    if (c == '[' && pattern.find(']', i + 2) != std::string_view::npos) return true;
  }
  return false;
}

std::vector<std::string> ExpandBraces(const std::string& pattern) {
  // The first complete {...} at depth 0, its top-level commas.
  size_t open = std::string::npos;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\\') {
      ++i;
      continue;
    }
    if (pattern[i] != '{') continue;
    int depth = 0;
    std::vector<size_t> commas;
    size_t close = std::string::npos;
    for (size_t j = i; j < pattern.size(); ++j) {
      if (pattern[j] == '\\') {
        ++j;
        continue;
      }
      if (pattern[j] == '{') ++depth;
      if (pattern[j] == '}' && --depth == 0) {
        close = j;
        break;
      }
      if (pattern[j] == ',' && depth == 1) commas.push_back(j);
    }
    if (close == std::string::npos) break;
    open = i;
    std::vector<std::string> out;
    const std::string head = pattern.substr(0, open);
    const std::string tail = pattern.substr(close + 1);
    size_t from = open + 1;
    commas.push_back(close);
    for (size_t comma : commas) {
      for (std::string& rest :
           ExpandBraces(head + pattern.substr(from, comma - from) + tail))
        out.push_back(std::move(rest));
      from = comma + 1;
    }
    return out;
  }
  return {pattern};
}

}  // namespace tblibc::match
