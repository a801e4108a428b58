// Wide characters on the guest's streams, in the "C" locale, over the byte
// machinery of iofile.h: a wide read takes a byte and converts it as
// mbrtowc does (ASCII only: any other byte is EILSEQ, and stays unread);
// a wide write puts a character's bytes into the stream's buffer. There is
// no wide buffer: glibc's converts on its way out, and what a guest sees is
// the same but for when the bytes leave, which only a failing write could
// show (ftell still counts pending characters, as glibc's does).
//
// What glibc's "C" locale writes for a wide character above 0x7F is not an
// error: the stream's converter transliterates, "(C)" for U+00A9, "EUR"
// for U+20AC, '?' for what it has no rule for (translit_table.inc, measured
// from glibc by scripts/gen-translit-table). wcrtomb and the printf
// family's %ls, which convert without it, still answer EILSEQ.
//
// A stream's orientation lives in IoFile::mode, as glibc keeps it: the
// first wide call makes an undecided stream wide, and a wide call on a
// byte-oriented stream fails with WEOF, errno as it was.
//
// The wprintf family runs the printf formatter over the format in its wide
// form (wideform.h); the formatter's bytes are decoded back into wide
// characters on their way to a stream or to the guest's buffer. The
// wscanf family runs the scanf engine over the guest's wide characters
// (scan.h).
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>

#include "abi/errno.h"
#include "abi/streams.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/memstreams.h"
#include "libcbind/printf_engine.h"
#include "libcbind/process.h"
#include "libcbind/scan.h"
#include "libcbind/wideform.h"

namespace tblibc {
namespace {

using io::IoFile;
using wchar32 = uint32_t;  // the guest's wchar_t and wint_t

constexpr uint32_t kWeof = 0xFFFFFFFF;
constexpr int kEof = -1;

static_assert(std::is_same_v<va_list, char*>,
              "the guest's arguments are read through an i386 va_list");

IoFile* F(void* stream) { return static_cast<IoFile*>(stream); }

// glibc's _IO_fwide(f, 1) > 0: an undecided stream becomes wide.
bool WideOriented(IoFile* f) {
  if (f->mode == 0) f->mode = 1;
  return f->mode > 0;
}

[[noreturn]] void BufferOverflow() {
  FatalError("*** buffer overflow detected ***: terminated");
}

// ---- The "C" locale's bytes for a wide character ----------------------------

struct Transliteration {
  uint32_t wc;
  const char* text;
};

constexpr Transliteration kTransliterations[] = {
#include "libcbind/translit_table.inc"
};

constexpr bool Ascending() {
  for (size_t i = 1; i < std::size(kTransliterations); ++i)
    if (kTransliterations[i - 1].wc >= kTransliterations[i].wc) return false;
  return true;
}
static_assert(Ascending(), "the transliterations are searched by halves");

std::string_view Transliterate(uint32_t wc) {
  const auto* end = std::end(kTransliterations);
  const auto* row = std::lower_bound(
      std::begin(kTransliterations), end, wc,
      [](const Transliteration& r, uint32_t key) { return r.wc < key; });
  return row != end && row->wc == wc ? std::string_view(row->text) : "?";
}

// ---- Reading --------------------------------------------------------------

// The next wide character of a wide-oriented stream, taken or left: one
// pushed back first, else the next byte as mbrtowc reads it. WEOF at the
// end (the end-of-file indicator set beneath), or with EILSEQ and the
// error indicator at a byte past ASCII, which stays unread, as in glibc.
uint32_t NextWide(IoFile* f, bool take) {
  uint32_t wc;
  if (io::PendingWide(f, &wc, take)) return wc;
  const int c = f->readPtr < f->readEnd ? static_cast<unsigned char>(*f->readPtr)
                                        : io::WideUnderflow(f);
  if (c == kEof) return kWeof;
  if (c >= 0x80) {
    f->flags |= linux::kIoErrSeen;
    SetErrno(linux::kEILSEQ);
    return kWeof;
  }
  if (take) ++f->readPtr;
  return static_cast<uint32_t>(c);
}

uint32_t GetWide(IoFile* f) { return WideOriented(f) ? NextWide(f, true) : kWeof; }

// glibc's _IO_getwline: up to `limit` characters, through the first
// newline; the count. Nothing on a byte-oriented stream.
uint32_t ReadWideLine(IoFile* f, wchar32* out, uint32_t limit) {
  if (!WideOriented(f)) return 0;
  uint32_t count = 0;
  while (count < limit) {
    const uint32_t wc = NextWide(f, true);
    if (wc == kWeof) break;
    out[count++] = wc;
    if (wc == '\n') break;
  }
  return count;
}

// The character just read goes back in place; any other waits in front of
// the bytes. glibc asks for wide orientation and goes on whatever the
// answer: on a byte-oriented stream the character is kept where no byte
// call reads it, and only the end-of-file indicator changes.
uint32_t UngetWide(uint32_t wc, IoFile* f) {
  WideOriented(f);
  if (wc == kWeof) return kWeof;
  if (f->mode < 0) {
    f->flags &= ~linux::kIoEofSeen;
    return wc;
  }
  uint32_t waiting;
  if (wc < 0x80 && !io::PendingWide(f, &waiting, false) && f->readPtr > f->readBase &&
      static_cast<unsigned char>(f->readPtr[-1]) == wc)
    return io::Unget(static_cast<int>(wc), f) == kEof ? kWeof : wc;
  return io::PushWide(f, wc) ? wc : kWeof;
}

// ---- Writing --------------------------------------------------------------

// Wide characters on their way into a stream's bytes, gathered and handed
// to io::Write; under open_wmemstream each goes whole. A stream that is
// unbuffered, or line-buffered when a line ended, is written out at the
// end, as glibc's wide writer does. What the buffer keeps of characters
// that became more or fewer bytes than one is noted for ftell.
class Writer {
 public:
  explicit Writer(IoFile* f) : f_(f), whole_(io::Of(f)->unit == 4) {}

  bool Put(uint32_t wc) {
    if (whole_) return Append(reinterpret_cast<const char*>(&wc), 4);
    if (wc < 0x80) {
      const char c = static_cast<char>(wc);
      newline_ |= c == '\n';
      return Append(&c, 1);
    }
    const std::string_view text = Transliterate(wc);
    if (text.empty() && (f_->flags & linux::kIoNoWrites) != 0) {
      f_->flags |= linux::kIoErrSeen;
      SetErrno(linux::kEBADF);
      return false;
    }
    return Append(text.data(), text.size());
  }

  bool Finish() {
    if (!Drain()) return false;
    const bool flush = (f_->flags & linux::kIoUnbuffered) != 0 ||
                       ((f_->flags & linux::kIoLineBuf) != 0 && newline_);
    return !wrote_ || !flush || io::Overflow(f_, kEof) != kEof;
  }

 private:
  bool Append(const char* p, size_t n) {
    if ((used_ + n > sizeof buffer_ || count_ == std::size(sizes_)) && !Drain()) return false;
    std::memcpy(buffer_ + used_, p, n);
    used_ += n;
    sizes_[count_++] = static_cast<uint8_t>(n);
    return true;
  }

  bool Drain() {
    const auto n = static_cast<uint32_t>(used_);
    bool ok = true;
    uint32_t kept = 0;
    if (n != 0) {
      const uint32_t before = io::Pending(f_);
      ok = io::Write(f_, buffer_, n) == n;
      wrote_ = true;
      // Only the chunk's tail stays when the buffer was written out.
      const uint32_t after = io::Pending(f_);
      kept = after >= before + n ? n : std::min(after, n);
    }
    if (!whole_) {
      int32_t excess = 0;
      uint32_t tail = 0;
      for (size_t i = count_; i > 0 && tail + sizes_[i - 1] <= kept; --i) {
        tail += sizes_[i - 1];
        excess += sizes_[i - 1] - 1;
      }
      io::Of(f_)->wideExcess += excess;
    }
    used_ = 0;
    count_ = 0;
    return ok;
  }

  IoFile* f_;
  bool whole_;
  bool newline_ = false;
  bool wrote_ = false;
  size_t used_ = 0;
  size_t count_ = 0;  // characters in the buffer, each of sizes_[i] bytes
  char buffer_[256];
  uint8_t sizes_[256];
};

// glibc's overflow takes WEOF for "write out what is buffered".
uint32_t WriteOut(IoFile* f) { return io::Overflow(f, kEof) == kEof ? kWeof : 0; }

// fputwc. WEOF reaches glibc's overflow only when the buffer has no room
// for it; a fully buffered stream that is writing stores it as any other
// character ('?' on the way out) and answers it, a failure to look at.
uint32_t PutWide(uint32_t wc, IoFile* f) {
  if (!WideOriented(f)) return kWeof;
  if (wc == kWeof && ((f->flags & linux::kIoCurrentlyPutting) == 0 ||
                      (f->flags & (linux::kIoUnbuffered | linux::kIoLineBuf)) != 0))
    return WriteOut(f);
  Writer w(f);
  return w.Put(wc) && w.Finish() ? wc : kWeof;
}

// ---- The wprintf family ---------------------------------------------------

// The formatter's bytes, decoded and written through a Writer.
struct ToStreamTarget {
  Writer writer;
  wideform::Decoder decoder;
};

bool DrainToStream(format::Output& o) {
  auto& t = *static_cast<ToStreamTarget*>(o.target);
  bool ok = true;
  for (size_t i = 0; i < o.used && ok; ++i) {
    uint32_t wc;
    if (t.decoder.Take(static_cast<unsigned char>(o.buffer[i]), &wc)) ok = t.writer.Put(wc);
  }
  o.used = 0;
  return ok;
}

int WideToStream(void* stream, const wchar32* format, const uint8_t* args, unsigned mode) {
  // The Linux C library faults on a null stream; a clear error instead.
  if (stream == nullptr) {
    SetErrno(linux::kEBADF);
    return -1;
  }
  IoFile* f = F(stream);
  if (!WideOriented(f)) return -1;
  const std::string form = format != nullptr ? wideform::Encode(format) : std::string();
  char chunk[1024];
  ToStreamTarget t{Writer(f), {}};
  format::Output o{chunk, sizeof chunk, 0, false, &DrainToStream, &t};
  const int n = format::Format(o, format != nullptr ? form.c_str() : nullptr, args,
                               mode | format::kWide, format);
  // What came before a failed conversion is written, as glibc does.
  const bool drained = DrainToStream(o);
  const bool finished = t.writer.Finish();
  return drained && finished ? n : -1;
}

// Into the guest's buffer of `capacity` characters.
struct ToBufferTarget {
  wchar32* out;
  size_t capacity;
  size_t used = 0;
  bool overflowed = false;
  wideform::Decoder decoder;
};

bool DrainToBuffer(format::Output& o) {
  auto& t = *static_cast<ToBufferTarget*>(o.target);
  for (size_t i = 0; i < o.used && !t.overflowed; ++i) {
    uint32_t wc;
    if (!t.decoder.Take(static_cast<unsigned char>(o.buffer[i]), &wc)) continue;
    if (t.used == t.capacity) {
      // The rest is only counted.
      t.overflowed = true;
      o.discard = true;
    } else {
      t.out[t.used++] = wc;
    }
  }
  o.used = 0;
  return true;
}

// glibc's swprintf: at most n - 1 characters and the terminator. Text that
// does not fit answers -1 with errno as it was, and leaves what fitted
// unterminated (but for n = 1, where the terminator is all there is);
// n = 0 writes nothing.
int WideToBuffer(wchar32* s, uint32_t n, const wchar32* format, const uint8_t* args,
                 unsigned mode) {
  if (n == 0) return -1;
  const std::string form = format != nullptr ? wideform::Encode(format) : std::string();
  char chunk[256];
  ToBufferTarget t{s, n - 1, 0, false, {}};
  format::Output o{chunk, sizeof chunk, 0, false, &DrainToBuffer, &t};
  const int result = format::Format(o, format != nullptr ? form.c_str() : nullptr, args,
                                    mode | format::kWide, format);
  DrainToBuffer(o);
  if (t.overflowed) {
    if (n == 1) s[0] = 0;
    return -1;
  }
  s[t.used] = 0;
  return result;
}

// ---- The wscanf family ----------------------------------------------------

using scan::Dialect;

// A wide string, read in place.
uint32_t TextGet(void* context) {
  auto& at = *static_cast<const wchar32**>(context);
  if (*at == 0) return kWeof;
  return *at++;
}
void TextUnget(uint32_t, void* context) { --*static_cast<const wchar32**>(context); }

uint32_t StreamGet(void* context) { return NextWide(static_cast<IoFile*>(context), true); }
void StreamUnget(uint32_t wc, void* context) { UngetWide(wc, static_cast<IoFile*>(context)); }

int ScanWideText(const wchar32* text, const wchar32* format, const uint32_t* words,
                 Dialect dialect) {
  // The Linux C library faults on a null string; a clear error instead.
  if (text == nullptr) {
    SetErrno(linux::kEINVAL);
    return kEof;
  }
  const scan::WideSource source{&TextGet, &TextUnget, &text};
  return scan::ScanWide(source, format, words, dialect);
}

// A byte-oriented stream answers EOF, errno as it was.
int ScanWideStream(void* stream, const wchar32* format, const uint32_t* words,
                   Dialect dialect) {
  if (stream == nullptr) {
    SetErrno(linux::kEBADF);
    return kEof;
  }
  if (!WideOriented(F(stream))) return kEof;
  const scan::WideSource source{&StreamGet, &StreamUnget, stream};
  return scan::ScanWide(source, format, words, dialect);
}

const uint32_t* Words(va_list args) { return reinterpret_cast<const uint32_t*>(args); }
const uint32_t* WordsAt(uint32_t address) {
  return reinterpret_cast<const uint32_t*>(uintptr_t{address});
}

template <Dialect D>
int Swscanf(const wchar32* text, const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ScanWideText(text, format, Words(args), D);
  va_end(args);
  return n;
}

template <Dialect D>
int Fwscanf(void* stream, const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ScanWideStream(stream, format, Words(args), D);
  va_end(args);
  return n;
}

template <Dialect D>
int Wscanf(const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ScanWideStream(io::Current(0), format, Words(args), D);
  va_end(args);
  return n;
}

template <Dialect D>
int Vswscanf(const wchar32* text, const wchar32* format, uint32_t args) {
  return ScanWideText(text, format, WordsAt(args), D);
}

template <Dialect D>
int Vfwscanf(void* stream, const wchar32* format, uint32_t args) {
  return ScanWideStream(stream, format, WordsAt(args), D);
}

template <Dialect D>
int Vwscanf(const wchar32* format, uint32_t args) {
  return ScanWideStream(io::Current(0), format, WordsAt(args), D);
}

const uint8_t* Stack(va_list args) { return reinterpret_cast<const uint8_t*>(args); }
const uint8_t* GuestList(uint32_t args) {
  return reinterpret_cast<const uint8_t*>(uintptr_t{args});
}
unsigned ModeOf(int32_t flag) { return flag > 0 ? format::kFortify : 0; }

IoFile* Stdin() { return io::Current(0); }
IoFile* Stdout() { return io::Current(1); }

}  // namespace
}  // namespace tblibc

// ---- Entry points -----------------------------------------------------------

extern "C" {

using tblibc::F;
using tblibc::kWeof;
using tblibc::wchar32;
using tblibc::io::IoFile;
namespace io = tblibc::io;

// ---- Orientation

// Asked with 0, the orientation; otherwise an undecided stream takes the
// sign of `mode` and keeps it.
int32_t tblibc_fwide(void* stream, int32_t mode) {
  IoFile* f = F(stream);
  if (f == nullptr) {
    tblibc::SetErrno(linux::kEBADF);
    return 0;
  }
  if (mode != 0 && f->mode == 0) f->mode = mode < 0 ? -1 : 1;
  return f->mode;
}

// ---- Characters

uint32_t tblibc_fgetwc(void* stream) { return tblibc::GetWide(F(stream)); }
uint32_t tblibc_getwchar() { return tblibc::GetWide(tblibc::Stdin()); }

uint32_t tblibc_fputwc(uint32_t wc, void* stream) { return tblibc::PutWide(wc, F(stream)); }
uint32_t tblibc_putwchar(uint32_t wc) { return tblibc::PutWide(wc, tblibc::Stdout()); }

// The buffer's edges, which the getwc and putwc macros of older headers
// reach; the wide buffer they look at first is never there.
uint32_t tblibc_wuflow(void* stream) { return tblibc::GetWide(F(stream)); }

uint32_t tblibc_wunderflow(void* stream) {
  IoFile* f = F(stream);
  return tblibc::WideOriented(f) ? tblibc::NextWide(f, false) : kWeof;
}

// glibc's __woverflow leaves a byte-oriented stream to its byte overflow.
uint32_t tblibc_woverflow(void* stream, uint32_t wc) {
  IoFile* f = F(stream);
  if (f->mode < 0) {
    const int c = io::Overflow(f, wc == kWeof ? tblibc::kEof : static_cast<unsigned char>(wc));
    return c == tblibc::kEof ? kWeof : static_cast<uint32_t>(c);
  }
  tblibc::WideOriented(f);
  return wc == kWeof ? tblibc::WriteOut(f) : tblibc::PutWide(wc, f);
}

uint32_t tblibc_ungetwc(uint32_t wc, void* stream) { return tblibc::UngetWide(wc, F(stream)); }

// ---- Lines

// 1 when every character went in, as glibc answers; -1 otherwise.
int32_t tblibc_fputws(const wchar32* text, void* stream) {
  IoFile* f = F(stream);
  if (!tblibc::WideOriented(f)) return -1;
  tblibc::Writer w(f);
  for (; *text != 0; ++text)
    if (!w.Put(*text)) {
      w.Finish();
      return -1;
    }
  return w.Finish() ? 1 : -1;
}

// As fgets: with room for the terminator only it stores it; an error of
// this call alone makes it fail (the line read so far is left
// unterminated), the stream's earlier one stays set.
wchar32* tblibc_fgetws(wchar32* buffer, int32_t count, void* stream) {
  if (count <= 0) return nullptr;
  if (count == 1) {
    buffer[0] = 0;
    return buffer;
  }
  IoFile* f = F(stream);
  const uint32_t earlier = f->flags & linux::kIoErrSeen;
  f->flags &= ~linux::kIoErrSeen;
  const uint32_t n = tblibc::ReadWideLine(f, buffer, static_cast<uint32_t>(count - 1));
  wchar32* result = buffer;
  if (n == 0 || ((f->flags & linux::kIoErrSeen) != 0 && tblibc::Errno() != linux::kEAGAIN))
    result = nullptr;
  else
    buffer[n] = 0;
  f->flags |= earlier;
  return result;
}

// The fortified form: `size` is the buffer's length in wide characters. A
// line that fills it ends the run, as glibc's check does.
wchar32* tblibc_fgetws_chk(wchar32* buffer, uint32_t size, int32_t count, void* stream) {
  if (count <= 0) return nullptr;
  IoFile* f = F(stream);
  const uint32_t earlier = f->flags & linux::kIoErrSeen;
  f->flags &= ~linux::kIoErrSeen;
  const uint32_t n =
      tblibc::ReadWideLine(f, buffer, std::min(static_cast<uint32_t>(count - 1), size));
  wchar32* result = buffer;
  if (n == 0 || (f->flags & linux::kIoErrSeen) != 0) {
    result = nullptr;
  } else if (n >= size) {
    tblibc::BufferOverflow();
  } else {
    buffer[n] = 0;
  }
  f->flags |= earlier;
  return result;
}

// ---- Memory

void* tblibc_open_wmemstream(uint32_t** text, uint32_t* size) {
  if (text == nullptr || size == nullptr) {
    tblibc::SetErrno(linux::kEINVAL);
    return nullptr;
  }
  return tblibc::memstreams::OpenWideDynamic(text, size);
}

// ---- The wprintf family

using tblibc::GuestList;
using tblibc::ModeOf;
using tblibc::Stack;
using tblibc::WideToBuffer;
using tblibc::WideToStream;

int tblibc_wprintf(const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = WideToStream(tblibc::Stdout(), format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_fwprintf(void* stream, const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = WideToStream(stream, format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_vwprintf(const wchar32* format, uint32_t args) {
  return WideToStream(tblibc::Stdout(), format, GuestList(args), 0);
}

int tblibc_vfwprintf(void* stream, const wchar32* format, uint32_t args) {
  return WideToStream(stream, format, GuestList(args), 0);
}

int tblibc_swprintf(wchar32* buffer, uint32_t size, const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = WideToBuffer(buffer, size, format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_vswprintf(wchar32* buffer, uint32_t size, const wchar32* format, uint32_t args) {
  return WideToBuffer(buffer, size, format, GuestList(args), 0);
}

// The fortified forms: flag > 0 asks for the stricter checks; slen is the
// buffer's length in wide characters as the compiler knew it.

int tblibc_wprintf_chk(int32_t flag, const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = WideToStream(tblibc::Stdout(), format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_fwprintf_chk(void* stream, int32_t flag, const wchar32* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = WideToStream(stream, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vwprintf_chk(int32_t flag, const wchar32* format, uint32_t args) {
  return WideToStream(tblibc::Stdout(), format, GuestList(args), ModeOf(flag));
}

int tblibc_vfwprintf_chk(void* stream, int32_t flag, const wchar32* format, uint32_t args) {
  return WideToStream(stream, format, GuestList(args), ModeOf(flag));
}

int tblibc_swprintf_chk(wchar32* buffer, uint32_t size, int32_t flag, uint32_t slen,
                        const wchar32* format, ...) {
  if (size > slen) tblibc::BufferOverflow();
  va_list args;
  va_start(args, format);
  const int n = WideToBuffer(buffer, size, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vswprintf_chk(wchar32* buffer, uint32_t size, int32_t flag, uint32_t slen,
                         const wchar32* format, uint32_t args) {
  if (size > slen) tblibc::BufferOverflow();
  return WideToBuffer(buffer, size, format, GuestList(args), ModeOf(flag));
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_fwide>("fwide"),
    // Characters.
    Fn<&tblibc_fgetwc>("fgetwc"),
    Fn<&tblibc_fgetwc>("getwc"),
    Fn<&tblibc_fgetwc>("fgetwc_unlocked"),
    Fn<&tblibc_fgetwc>("getwc_unlocked"),
    Fn<&tblibc_getwchar>("getwchar"),
    Fn<&tblibc_getwchar>("getwchar_unlocked"),
    Fn<&tblibc_fputwc>("fputwc"),
    Fn<&tblibc_fputwc>("putwc"),
    Fn<&tblibc_fputwc>("fputwc_unlocked"),
    Fn<&tblibc_fputwc>("putwc_unlocked"),
    Fn<&tblibc_putwchar>("putwchar"),
    Fn<&tblibc_putwchar>("putwchar_unlocked"),
    Fn<&tblibc_ungetwc>("ungetwc"),
    Fn<&tblibc_wuflow>("__wuflow"),
    Fn<&tblibc_wunderflow>("__wunderflow"),
    Fn<&tblibc_woverflow>("__woverflow"),
    // Lines.
    Fn<&tblibc_fgetws>("fgetws"),
    Fn<&tblibc_fgetws>("fgetws_unlocked"),
    Fn<&tblibc_fgetws_chk>("__fgetws_chk"),
    Fn<&tblibc_fgetws_chk>("__fgetws_unlocked_chk"),
    Fn<&tblibc_fputws>("fputws"),
    Fn<&tblibc_fputws>("fputws_unlocked"),
    Fn<&tblibc_open_wmemstream>("open_wmemstream"),
    // The wprintf family.
    Fn<&tblibc_wprintf>("wprintf"),
    Fn<&tblibc_fwprintf>("fwprintf"),
    Fn<&tblibc_vwprintf>("vwprintf"),
    Fn<&tblibc_vfwprintf>("vfwprintf"),
    Fn<&tblibc_swprintf>("swprintf"),
    Fn<&tblibc_vswprintf>("vswprintf"),
    Fn<&tblibc_wprintf_chk>("__wprintf_chk"),
    Fn<&tblibc_fwprintf_chk>("__fwprintf_chk"),
    Fn<&tblibc_vwprintf_chk>("__vwprintf_chk"),
    Fn<&tblibc_vfwprintf_chk>("__vfwprintf_chk"),
    Fn<&tblibc_swprintf_chk>("__swprintf_chk"),
    Fn<&tblibc_vswprintf_chk>("__vswprintf_chk"),
    // The wscanf family, in the dialects of the scanf family.
    Fn<&Wscanf<Dialect::kGnu>>("wscanf"),
    Fn<&Fwscanf<Dialect::kGnu>>("fwscanf"),
    Fn<&Swscanf<Dialect::kGnu>>("swscanf"),
    Fn<&Vwscanf<Dialect::kGnu>>("vwscanf"),
    Fn<&Vfwscanf<Dialect::kGnu>>("vfwscanf"),
    Fn<&Vswscanf<Dialect::kGnu>>("vswscanf"),
    Fn<&Wscanf<Dialect::kC99>>("__isoc99_wscanf"),
    Fn<&Fwscanf<Dialect::kC99>>("__isoc99_fwscanf"),
    Fn<&Swscanf<Dialect::kC99>>("__isoc99_swscanf"),
    Fn<&Vwscanf<Dialect::kC99>>("__isoc99_vwscanf"),
    Fn<&Vfwscanf<Dialect::kC99>>("__isoc99_vfwscanf"),
    Fn<&Vswscanf<Dialect::kC99>>("__isoc99_vswscanf"),
    Fn<&Wscanf<Dialect::kC23>>("__isoc23_wscanf"),
    Fn<&Fwscanf<Dialect::kC23>>("__isoc23_fwscanf"),
    Fn<&Swscanf<Dialect::kC23>>("__isoc23_swscanf"),
    Fn<&Vwscanf<Dialect::kC23>>("__isoc23_vwscanf"),
    Fn<&Vfwscanf<Dialect::kC23>>("__isoc23_vfwscanf"),
    Fn<&Vswscanf<Dialect::kC23>>("__isoc23_vswscanf"),
};

}  // namespace

extern const Family kWideStreamsFamily;
const Family kWideStreamsFamily{"widestreams", kExports};

}  // namespace tblibc
