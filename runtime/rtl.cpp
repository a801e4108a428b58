// The loader's run-time support: console writer, line reader, errors, file
// objects and the orderly shutdown. It sits on the platform interface only;
// the host C runtime's streams belong to the guest and are never touched
// here (except through the hook that flushes them before our own text).
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "abi/errno.h"
#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/process.h"
#include "runtime/rtl.h"

namespace rtl {
namespace {

// ---- State (constant-initialised; Init or first use fills it in) -------------

bool g_consoleReady = false;
platform::Handle g_out = platform::kInvalidHandle;
platform::Handle g_in = platform::kInvalidHandle;
platform::Handle g_pauseIn = platform::kInvalidHandle;  // the pause's own
platform::Handle g_err = platform::kInvalidHandle;  // the report lines' way
bool g_outIsConsole = false;

char g_outBuffer[kConsoleBufferSize];
size_t g_outLength = 0;

void (*g_beforeWrite)() = nullptr;

// One line buffer for every console reader. [g_inStart, g_inEnd) is what
// has been read from the host and not yet delivered.
constexpr size_t kInputBufferSize = 4096;
char g_inBuffer[kInputBufferSize];
size_t g_inStart = 0;
size_t g_inEnd = 0;

constexpr size_t kMaxFinalisers = 32;
void (*g_finalisers[kMaxFinalisers])() = {};
size_t g_finaliserCount = 0;

bool g_reporting = false;  // an error report is on its way out

void EnsureConsole() {
  if (g_consoleReady) return;
  g_consoleReady = true;
  g_out = platform::StdOutput();
  g_in = platform::StdInput();
  g_pauseIn = platform::KeepConsoleInput(g_in);
  g_err = platform::StdError();
  g_outIsConsole = platform::IsConsole(g_out);
}

// ---- Error reports -----------------------------------------------------------

struct ErrorClass {
  const char* name;
  uint32_t code;  // how it reaches an installed exception handler
};
constexpr ErrorClass kInOutError{"EInOutError", kInOutErrorCode};
constexpr ErrorClass kOutOfMemory{"EOutOfMemory", kOutOfMemoryCode};
constexpr ErrorClass kInvalidPointer{"EInvalidPointer", kInvalidPointerCode};

// The run-time's I/O codes with their own message, and the Linux errors a
// platform call answers that mean each of them.
struct IoMessageRow {
  uint32_t code;
  const char* text;
  std::array<int32_t, 3> errnos;  // 0: no more
};
constexpr std::array<IoMessageRow, 7> kIoMessages{{
    {2, "File not found", {linux::kENOENT, linux::kENXIO}},
    {3, "Invalid filename", {linux::kENOTDIR}},
    {4, "Too many open files", {linux::kEMFILE, linux::kENFILE}},
    {5, "File access denied", {linux::kEACCES, linux::kEPERM, linux::kEROFS}},
    {kReadBeyondEof, "Read beyond end of file", {}},
    {kDiskFull, "Disk full", {linux::kENOSPC, linux::kEDQUOT}},
    {kInvalidNumericInput, "Invalid numeric input", {}},
}};
static_assert(kIoMessages.size() == 7);

void WriteAll(platform::Handle h, const void* bytes, size_t count, bool check);

// Whatever the writer holds goes out, errors ignored: used on the way down.
void FlushQuietly() {
  const size_t n = g_outLength;
  g_outLength = 0;
  if (n != 0) WriteAll(g_out, g_outBuffer, n, false);
}

std::string ModuleName() {
  std::string path = platform::ModuleFileName();
  const size_t cut = path.rfind(platform::DirectorySeparator());
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Before the trap exists, the error ends the run with a report on standard
// error; afterwards it is an exception for the trap to report.
[[noreturn]] void Fail(const ErrorClass& error, std::string_view message,
                       const void* where) {
  if (platform::ExceptionHandlerInstalled()) {
    platform::RaiseException(error.code);
    platform::ExitProcess(1);  // a handler continued what cannot continue
  }
  if (g_reporting) platform::ExitProcess(1);  // failed again while reporting
  g_reporting = true;
  EnsureConsole();
  FlushQuietly();
  const uintptr_t offset = reinterpret_cast<uintptr_t>(where) - platform::ModuleBase();
  std::string report = FormatReport(error.name, ModuleName(), offset, message);
  report += platform::LineEnd();
  WriteAll(platform::StdError(), report.data(), report.size(), false);
  Halt(1);
}

[[noreturn]] void FailIo(uint32_t code, const void* where) {
  Fail(kInOutError, IoMessage(code), where);
}

void CheckAt(uint32_t code, const void* where) {
  if (code != 0) FailIo(code, where);
}

// The message of a platform call's answer: its run-time I/O code's, or the
// Linux number itself.
std::string ErrnoMessage(int linuxErrno) {
  for (const IoMessageRow& row : kIoMessages)
    for (const int32_t e : row.errnos)
      if (e != 0 && e == linuxErrno) return row.text;
  return "I/O error " + std::to_string(linuxErrno);
}

[[noreturn]] void FailHost(int linuxErrno, const void* where) {
  Fail(kInOutError, ErrnoMessage(linuxErrno), where);
}

void CheckHost(int linuxErrno, const void* where) {
  if (linuxErrno != 0) FailHost(linuxErrno, where);
}

void WriteAll(platform::Handle h, const void* bytes, size_t count, bool check) {
  uint32_t done = 0;
  const int e = platform::FileWrite(h, bytes, static_cast<uint32_t>(count), &done);
  if (!check) return;
  if (e != 0) FailHost(e, __builtin_return_address(0));
  if (done != count) FailIo(kDiskFull, __builtin_return_address(0));
}

// ---- Console writer -----------------------------------------------------------

void WriteOut() {
  const size_t n = g_outLength;
  g_outLength = 0;  // a failing write does not leave the text to fail again
  WriteAll(g_out, g_outBuffer, n, true);
}

void Put(const char* bytes, size_t count) {
  EnsureConsole();
  if (g_outIsConsole) {
    if (g_outLength != 0) WriteOut();
    if (count != 0) WriteAll(g_out, bytes, count, true);
    return;
  }
  while (count != 0) {
    const size_t n = std::min(count, kConsoleBufferSize - g_outLength);
    std::memcpy(g_outBuffer + g_outLength, bytes, n);
    g_outLength += n;
    bytes += n;
    count -= n;
    if (g_outLength == kConsoleBufferSize) WriteOut();
  }
}

// ---- Line reader -----------------------------------------------------------------

// Reads more input behind what is pending. False at the end of input.
bool ReadMore() {
  EnsureConsole();
  if (g_inStart != 0) {
    std::memmove(g_inBuffer, g_inBuffer + g_inStart, g_inEnd - g_inStart);
    g_inEnd -= g_inStart;
    g_inStart = 0;
  }
  uint32_t got = 0;
  const int e = platform::FileRead(
      g_in, g_inBuffer + g_inEnd, static_cast<uint32_t>(kInputBufferSize - g_inEnd), &got);
  if (e != 0) FailHost(e, __builtin_return_address(0));
  g_inEnd += got;
  return got != 0;
}

}  // namespace

// ---- Module start-up and shutdown ---------------------------------------------

// Idempotent: whatever was written or read before it is kept.
void Init() { EnsureConsole(); }

void AddFinaliser(void (*finalise)()) {
  if (g_finaliserCount == kMaxFinalisers) RaiseOutOfMemory();
  g_finalisers[g_finaliserCount++] = finalise;
}

void Halt(uint32_t code) {
  // Each finaliser is taken off before it runs, so an error inside one that
  // ends in Halt again does not run it twice.
  while (g_finaliserCount != 0) g_finalisers[--g_finaliserCount]();
  Flush();
  platform::ExitProcess(code);
}

// ---- Console writer -----------------------------------------------------------

// With the guest's streams in play, standard output carries two buffers.
// Our held text is older than anything the hook is about to write out, and
// everything the hook writes out is older than the new text, so the order
// on standard output is the order in which the text was produced.
static void BeforeOwnText() {
  if (g_beforeWrite == nullptr) return;
  Flush();
  g_beforeWrite();
}

void Write(std::string_view text) {
  BeforeOwnText();
  Put(text.data(), text.size());
}

void WriteLine(std::string_view text) {
  BeforeOwnText();
  Put(text.data(), text.size());
  const std::string_view end = platform::LineEnd();
  Put(end.data(), end.size());
}

void Flush() {
  EnsureConsole();
  if (g_outLength != 0) WriteOut();
}

void WriteGuestBytes(const void* bytes, size_t count) {
  Put(static_cast<const char*>(bytes), count);
  Flush();
}

void SetBeforeWriteHook(void (*hook)()) { g_beforeWrite = hook; }

// ---- The loader's lines about a run ----------------------------------------------

// On standard error the line goes out in one write, never held: what the
// guest writes there itself is unbuffered too, so the two keep their order.
void ReportLine(std::string_view text) {
  EnsureConsole();
  if (g_outIsConsole) {
    WriteLine(text);
    return;
  }
  BeforeOwnText();
  Flush();
  std::string line(text);
  line += platform::LineEnd();
  WriteAll(g_err, line.data(), line.size(), false);
}

// ---- Console line reader --------------------------------------------------------

// A console window opened just for the run stays readable until Enter.
// Input that is no console (a pipe, a file, /dev/null) belongs to whoever
// comes after the run, a shell loop or the next command of a script, and
// may never end: not a byte of it is the loader's.
//
// The guest may have closed its descriptor 0 on the way (cat and gzip do,
// as on Linux): the pause reads through a handle of its own.
void Pause() {
  EnsureConsole();
  if (!platform::IsConsole(g_pauseIn)) return;
  g_in = g_pauseIn;
  ReadLine();
}

bool ReadLine() {
  bool any = false;
  for (;;) {
    if (g_inStart == g_inEnd && !ReadMore()) return any;
    any = true;
    const void* lf = std::memchr(g_inBuffer + g_inStart, '\n', g_inEnd - g_inStart);
    if (lf != nullptr) {
      g_inStart = static_cast<size_t>(static_cast<const char*>(lf) - g_inBuffer) + 1;
      return true;
    }
    g_inStart = g_inEnd;
  }
}

// Returns what is pending, up to and including a line end, without waiting
// for more once something can be delivered. A CR whose follower has not
// arrived yet is held back until it has (or input ends).
int32_t ReadConsole(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  char* out = static_cast<char*>(buffer);
  int32_t n = 0;
  while (n < count) {
    if (g_inStart == g_inEnd) {
      if (n > 0 || !ReadMore()) break;
    }
    const char c = g_inBuffer[g_inStart];
    if (c == '\r') {
      if (g_inStart + 1 == g_inEnd) {
        if (n > 0) break;
        if (!ReadMore()) {  // a CR at the very end is data
          ++g_inStart;
          out[n++] = c;
          break;
        }
        continue;
      }
      if (g_inBuffer[g_inStart + 1] == '\n') {
        g_inStart += 2;
        out[n++] = '\n';
        break;
      }
    }
    ++g_inStart;
    out[n++] = c;
    if (c == '\n') break;
  }
  return n;
}

// ---- Errors -------------------------------------------------------------------

std::string IoMessage(uint32_t code) {
  for (const IoMessageRow& row : kIoMessages)
    if (row.code == code) return row.text;
  return "I/O error " + std::to_string(static_cast<int32_t>(code));
}

std::string FormatReport(std::string_view className, std::string_view module,
                         uintptr_t offset, std::string_view message) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char digits[8];
  for (int i = 7; i >= 0; --i, offset >>= 4) digits[i] = kHex[offset & 15];
  const std::string_view end = platform::LineEnd();
  std::string text = "Exception ";
  text.append(className).append(" in module ").append(module).append(" at ");
  text.append(digits, 8).append(".").append(end).append(message);
  if (message.empty() || message.back() != '.') text += '.';
  text.append(end);
  return text;
}

void IoCheck(uint32_t code) { CheckAt(code, __builtin_return_address(0)); }

void RaiseIoError(uint32_t code) { FailIo(code, __builtin_return_address(0)); }

void RaiseOutOfMemory() {
  Fail(kOutOfMemory, "Out of memory", __builtin_return_address(0));
}

void RaiseInvalidPointer() {
  Fail(kInvalidPointer, "Invalid pointer operation", __builtin_return_address(0));
}

// ---- File objects -------------------------------------------------------------

void File::OpenExisting(bool write) {
  const void* where = __builtin_return_address(0);
  Close();
  const unsigned flags = linux::kOpenRead | (write ? linux::kOpenWrite : 0u);
  CheckHost(platform::FileOpen(name_.c_str(), flags, 0666, &handle_), where);
}

void File::Rewrite() {
  const void* where = __builtin_return_address(0);
  Close();
  const unsigned flags = linux::kOpenRead | linux::kOpenWrite |
                         linux::kOpenCreate | linux::kOpenTruncate;
  CheckHost(platform::FileOpen(name_.c_str(), flags, 0666, &handle_), where);
}

uint32_t File::Read(void* buffer, uint32_t count) {
  const void* where = __builtin_return_address(0);
  char* p = static_cast<char*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    uint32_t got = 0;
    CheckHost(platform::FileRead(handle_, p + total, count - total, &got), where);
    if (got == 0) FailIo(kReadBeyondEof, where);
    total += got;
  }
  return total;
}

void File::Write(const void* buffer, uint32_t count) {
  const void* where = __builtin_return_address(0);
  uint32_t done = 0;
  CheckHost(platform::FileWrite(handle_, buffer, count, &done), where);
  if (done != count) FailIo(kDiskFull, where);
}

void File::Seek(int64_t position) {
  const void* where = __builtin_return_address(0);
  CheckHost(platform::FileSeek(handle_, position, 0, nullptr), where);
}

int64_t File::Position() {
  const void* where = __builtin_return_address(0);
  int64_t position = 0;
  CheckHost(platform::FileSeek(handle_, 0, 1, &position), where);
  return position;
}

int64_t File::Size() {
  const void* where = __builtin_return_address(0);
  int64_t size = 0;
  CheckHost(platform::FileSize(handle_, &size), where);
  return size;
}

void File::Close() {
  if (handle_ == platform::kInvalidHandle) return;
  const void* where = __builtin_return_address(0);
  const platform::Handle h = handle_;
  handle_ = platform::kInvalidHandle;
  CheckHost(platform::FileClose(h), where);
}

}  // namespace rtl

// ---- Testing seam -------------------------------------------------------------

namespace rtl::testing {

void RedirectConsole(platform::Handle out, bool isConsole, platform::Handle in,
                     platform::Handle err) {
  EnsureConsole();
  FlushQuietly();
  g_out = out;
  g_err = err;
  g_outIsConsole = isConsole;
  g_in = g_pauseIn = in;
  g_inStart = g_inEnd = 0;
}

}  // namespace rtl::testing
