// Wide characters through the printf formatter in their wide form: every
// value survives, whatever chunk boundaries the formatter's output meets,
// and counts are of characters. The expected answers are glibc's swprintf
// (i386, "C" locale) for the same calls.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <vector>

#include "libcbind/printf_engine.h"
#include "libcbind/wideform.h"

namespace tblibc::format {
namespace {

struct Decoded {
  std::vector<uint32_t> text;
  wideform::Decoder decoder;
};

bool Drain(Output& o) {
  auto& d = *static_cast<Decoded*>(o.target);
  for (size_t i = 0; i < o.used; ++i) {
    uint32_t wc;
    if (d.decoder.Take(static_cast<unsigned char>(o.buffer[i]), &wc)) d.text.push_back(wc);
  }
  o.used = 0;
  return true;
}

// A chunk of 5 bytes: every long character is cut by a drain somewhere.
int WidePrintf(std::vector<uint32_t>& out, const uint32_t* format, ...) {
  va_list args;
  va_start(args, format);
  Decoded d;
  char chunk[5];
  Output o{chunk, sizeof chunk, 0, false, &Drain, &d};
  const std::string form = wideform::Encode(format);
  const int n = Format(o, form.c_str(), reinterpret_cast<const uint8_t*>(args), kWide);
  Drain(o);
  va_end(args);
  out = d.text;
  return n;
}

TEST(WideFormTest, EveryValueCrossesTheFormatterWhole) {
  const uint32_t values[] = {0x7F, 0x80, 0xE9, 0x10FFFF, 0x7FFFFFFF, 0x80000000,
                             0xFFFFFFFE, 0xFFFFFFFF, 0};
  for (const uint32_t wc : values) {
    char bytes[wideform::kLongest + 1] = {};
    wideform::Encode(wc, bytes);
    const char* p = bytes;
    EXPECT_EQ(wideform::Next(p), wc);
  }
  // "\u00e9%5ls|%-3lc|%n%s" with L"a\x10ffff", 0x20ac and "ok".
  const uint32_t format[] = {0xE9, '%', '5', 'l', 's', '|', '%', '-', '3', 'l', 'c',
                             '|', '%', 'n', '%', 's', 0};
  const uint32_t text[] = {'a', 0x10FFFF, 0};
  int32_t count = -1;
  std::vector<uint32_t> out;
  const int n = WidePrintf(out, format, text, uint32_t{0x20AC}, &count, "ok");
  const std::vector<uint32_t> expected = {0xE9, ' ', ' ', ' ', 'a', 0x10FFFF, '|',
                                          0x20AC, ' ', ' ', '|', 'o', 'k'};
  EXPECT_EQ(out, expected);
  EXPECT_EQ(n, 13);
  EXPECT_EQ(count, 11);
}

}  // namespace
}  // namespace tblibc::format
