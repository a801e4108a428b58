// The loader's run-time support: its console writer and line reader, its
// file objects, its I/O check and errors, and the orderly shutdown (its
// heap is heap.h). Every loader module uses these instead of the host C runtime,
// whose streams and heap belong to the guest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace rtl {

// ---- Module start-up and shutdown -----------------------------------------

void Init();

// Registers a module's finalisation; the orderly shutdown runs them in the
// reverse order of registration.
void AddFinaliser(void (*finalise)());

// Orderly shutdown: finalisations in reverse order, the console writer
// written out, then the process ends with `code`.
[[noreturn]] void Halt(uint32_t code);

// ---- Console writer ---------------------------------------------------------
//
// One text stream on standard output carries the loader's own text (its
// lines about a run may take standard error instead, see ReportLine).
// To a console every write is passed on at once; otherwise the text collects
// in a 128-byte buffer written out when full, on Flush() and at every end of
// the run.

constexpr size_t kConsoleBufferSize = 128;

void Write(std::string_view text);
void WriteLine(std::string_view text = {});  // text, then the host's line end
void Flush();

// Guest bytes for the console descriptors: passed on unchanged and flushed,
// which is what writing them one by one with a flush after each would give.
void WriteGuestBytes(const void* bytes, size_t count);

// Called before the loader's own text goes out, so that what the guest has
// already written through the host C runtime's streams comes first.
void SetBeforeWriteHook(void (*hook)());

// ---- The loader's lines about a run ---------------------------------------
//
// What the loader says while a program runs or just before it starts (a
// library it may lack, a call or system call nothing serves, its abort, its
// fault) is no part of the program's data. With standard output a console
// it is one more line of the console writer, in order with the program's
// output. Otherwise it goes to standard error at once, after what the
// guest's streams and the writer hold (the hook above), so that
// `prog > file` leaves the file to the program. A write there that fails
// is let go: a closed standard error must not end a run that goes on.
void ReportLine(std::string_view text = {});

// ---- Console line reader ----------------------------------------------------
//
// One buffer serves every console reader: the pause and the system call read.

// The pause at every end of a run: waits for Enter when standard input is
// an interactive console, and reads nothing otherwise.
void Pause();

// Discards the rest of the current line (reads one when none is pending).
// Returns false at the end of input.
bool ReadLine();

// Delivers at most `count` bytes of console input, stopping after a line
// end, which arrives as one line feed. 0 at the end of input.
int32_t ReadConsole(void* buffer, int32_t count);

// ---- Errors -----------------------------------------------------------------

// Exception codes by which the run-time's errors reach the installed
// exception handler.
constexpr uint32_t kInOutErrorCode = 0xE0494F45;      // "IOE"
constexpr uint32_t kOutOfMemoryCode = 0xE04F4F4D;     // "OOM"
constexpr uint32_t kInvalidPointerCode = 0xE0495054;  // "IPT"

// Run-time I/O codes with their own message.
constexpr uint32_t kReadBeyondEof = 100;
constexpr uint32_t kDiskFull = 101;
constexpr uint32_t kInvalidNumericInput = 106;

std::string IoMessage(uint32_t code);

// The report written when an error ends the run before the trap is
// installed: class, module, offset, message and the final period.
std::string FormatReport(std::string_view className, std::string_view module,
                         uintptr_t offset, std::string_view message);

// Raises the I/O error `code` when it is nonzero.
void IoCheck(uint32_t code);
[[noreturn]] void RaiseIoError(uint32_t code);
[[noreturn]] void RaiseOutOfMemory();
[[noreturn]] void RaiseInvalidPointer();

// ---- File objects -----------------------------------------------------------
//
// A file object binds a name and owns one host handle. Every operation is
// followed by the I/O check, so a failure raises the I/O error.

class File {
 public:
  File() = default;
  explicit File(std::string name) : name_(std::move(name)) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }

  void OpenExisting(bool write);  // read, or read and write
  void Rewrite();                 // create or truncate, read and write
  uint32_t Read(void* buffer, uint32_t count);   // all or I/O error 100
  void Write(const void* buffer, uint32_t count); // all or I/O error 101
  void Seek(int64_t position);
  int64_t Position();
  int64_t Size();
  void Close();
  bool IsOpen() const { return handle_ != platform::kInvalidHandle; }

 private:
  std::string name_;
  platform::Handle handle_ = platform::kInvalidHandle;
};

}  // namespace rtl

// ---- Testing seam -------------------------------------------------------------
//
// Unit tests point the console writer, the line reader and the run's
// report lines at handles of their own (a pipe, a file) and say whether the
// writer should treat `out` as a console; `err` takes the report lines when
// it does not. Pending output is written out and pending input dropped
// first.
namespace rtl::testing {
void RedirectConsole(platform::Handle out, bool isConsole, platform::Handle in,
                     platform::Handle err = platform::StdError());
}  // namespace rtl::testing
