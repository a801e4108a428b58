// Shell patterns as the Linux C library matches them (fnmatch), kept apart
// from the entries so the unit tests reach the engine directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tblibc::match {

// 0 for a match, FNM_NOMATCH (1) otherwise; flags are Linux's FNM_* bits.
int32_t Fnmatch(std::string_view pattern, std::string_view text, int32_t flags);

// True when `pattern` holds a character glob treats as special.
bool HasMagic(std::string_view pattern, bool noEscape);

// {a,b} alternatives of a pattern spelled out, left to right, as glob's
// GLOB_BRACE does; a pattern with no complete brace gives itself.
std::vector<std::string> ExpandBraces(const std::string& pattern);

}  // namespace tblibc::match
