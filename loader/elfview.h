// The one way the image loader looks at an ELF file: a bounds-checked view
// of its bytes. The file is untrusted input, so every read says whether it
// lay inside the file, and offsets are added in 64 bits so that no sum of
// two file values can wrap around.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace elfview {

// A stretch of the file: a section's bytes, a table.
struct Range {
  uint32_t offset = 0;
  uint32_t size = 0;
};

// A string table asked about many names. Its NULs, found in one pass, say
// where every name ends: a name starts and ends inside the table exactly
// when a NUL lies at or after its start, and its end is the first such NUL,
// a binary search away. A table whose names all run to its far end so
// costs its size once, not once per name.
struct StringTable {
  Range table;
  std::vector<uint32_t> nuls;  // within the table, in order
  bool Names(uint64_t offset) const { return !nuls.empty() && offset <= nuls.back(); }
};

struct View {
  const uint8_t* bytes = nullptr;
  uint32_t size = 0;

  bool Holds(uint64_t offset, uint64_t length) const {
    return offset <= size && length <= size - offset;
  }
  bool Holds(Range r) const { return Holds(r.offset, r.size); }
  bool HoldsTable(uint64_t offset, uint64_t count, uint64_t entrySize) const {
    return Holds(offset, count * entrySize);
  }

  std::optional<uint32_t> U8(uint64_t offset) const { return Read(offset, 1); }
  std::optional<uint32_t> U16(uint64_t offset) const { return Read(offset, 2); }
  std::optional<uint32_t> U32(uint64_t offset) const { return Read(offset, 4); }

  // For String(table, offset) at many offsets; no name when the table does
  // not lie in the file.
  StringTable Strings(Range table) const {
    StringTable t{table, {}};
    if (!Holds(table)) return t;
    for (uint32_t k = 0; k < table.size; ++k)
      if (bytes[table.offset + k] == 0) t.nuls.push_back(k);
    return t;
  }

  // The same answer as String(t.table, offset), without a scan.
  std::optional<std::string_view> String(const StringTable& t, uint64_t offset) const {
    if (!t.Names(offset)) return std::nullopt;
    const uint32_t end = *std::lower_bound(t.nuls.begin(), t.nuls.end(), offset);
    return std::string_view(reinterpret_cast<const char*>(bytes) + t.table.offset + offset,
                            end - offset);
  }

  // The NUL-terminated string at `offset` within `table`; nothing unless
  // the table lies in the file and the string ends inside the table.
  std::optional<std::string_view> String(Range table, uint64_t offset) const {
    return ShortString(table, offset, table.size);
  }

  // The same, but only a name of at most `longest` characters is found, and
  // no more than longest + 1 bytes are read: for names compared with a few
  // short known ones, in a table that may be long and asked many times.
  std::optional<std::string_view> ShortString(Range table, uint64_t offset,
                                              uint64_t longest) const {
    if (!Holds(table) || offset >= table.size) return std::nullopt;
    const char* start =
        reinterpret_cast<const char*>(bytes) + table.offset + offset;
    const size_t room =
        static_cast<size_t>(std::min<uint64_t>(table.size - offset, longest + 1));
    const void* nul = std::memchr(start, 0, room);
    if (!nul) return std::nullopt;
    return std::string_view(start, static_cast<const char*>(nul) - start);
  }

 private:
  std::optional<uint32_t> Read(uint64_t offset, unsigned width) const {
    if (!Holds(offset, width)) return std::nullopt;
    uint32_t value = 0;  // little-endian whatever the host
    for (unsigned k = 0; k < width; ++k)
      value |= uint32_t{bytes[offset + k]} << (8 * k);
    return value;
  }
};

inline View ViewOf(std::span<const uint8_t> file) {
  return View{file.data(), static_cast<uint32_t>(file.size())};
}

}  // namespace elfview

// Why the image loader would refuse `file`: the text that follows the
// quoted path in its reason line ("\" is not an ELF.", "\" is damaged.",
// ...), or empty when the file passes every check made before the guest
// region is reserved. Writes nothing and touches no memory but the file's.
std::string_view ElfRefusalText(std::span<const uint8_t> file);
