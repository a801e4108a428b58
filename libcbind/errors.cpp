// Error texts, signal texts and assertions: every text is the Linux C
// library's English one for the Linux number, whatever the host would say.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "abi/errno.h"
#include "libcbind/environment.h"
#include "libcbind/errors.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/printf_engine.h"
#include "libcbind/process.h"
#include "libcbind/streams.h"

namespace tblibc {
namespace {

// The Linux C library's names and texts for signals 1 to 31; it counts the
// real-time signals from 34 (32 and 33 belong to its threads and have no
// text).
struct SignalRow {
  std::string_view abbreviation;
  std::string_view text;
};
constexpr SignalRow kSignals[] = {
    {"", ""},
    {"HUP", "Hangup"},
    {"INT", "Interrupt"},
    {"QUIT", "Quit"},
    {"ILL", "Illegal instruction"},
    {"TRAP", "Trace/breakpoint trap"},
    {"ABRT", "Aborted"},
    {"BUS", "Bus error"},
    {"FPE", "Floating point exception"},
    {"KILL", "Killed"},
    {"USR1", "User defined signal 1"},
    {"SEGV", "Segmentation fault"},
    {"USR2", "User defined signal 2"},
    {"PIPE", "Broken pipe"},
    {"ALRM", "Alarm clock"},
    {"TERM", "Terminated"},
    {"STKFLT", "Stack fault"},
    {"CHLD", "Child exited"},
    {"CONT", "Continued"},
    {"STOP", "Stopped (signal)"},
    {"TSTP", "Stopped"},
    {"TTIN", "Stopped (tty input)"},
    {"TTOU", "Stopped (tty output)"},
    {"URG", "Urgent I/O condition"},
    {"XCPU", "CPU time limit exceeded"},
    {"XFSZ", "File size limit exceeded"},
    {"VTALRM", "Virtual timer expired"},
    {"PROF", "Profiling timer expired"},
    {"WINCH", "Window changed"},
    {"POLL", "I/O possible"},
    {"PWR", "Power failure"},
    {"SYS", "Bad system call"},
};
static_assert(std::size(kSignals) == 32);
constexpr int32_t kFirstRealtime = 34, kLastSignal = 64;

// The row of a signal the library names, else null.
const SignalRow* FindSignal(int32_t signal) {
  if (signal > 0 && signal < static_cast<int32_t>(std::size(kSignals)))
    return &kSignals[signal];
  return nullptr;
}

const char* SignalText(int32_t signal) {
  const SignalRow* row = FindSignal(signal);
  return row != nullptr ? row->text.data() : nullptr;
}

// The row of an error number the library names, else null.
const linux::ErrnoRow* FindError(int32_t errnum) {
  if (errnum < 0 || static_cast<size_t>(errnum) >= std::size(linux::kErrnoTable))
    return nullptr;
  const linux::ErrnoRow& row = linux::kErrnoTable[errnum];
  return errnum == 0 || !row.name.empty() ? &row : nullptr;
}

void* GuestStderr() { return io::Current(2); }

// ---- The old C library's tables, copied into the guest ----------------------
//
// sys_errlist's size in the guest says which version it was linked against
// (123 entries up to 135); sys_nerr must never count past the copy, so it
// is written from that size whichever of the two is bound first.

constexpr uint32_t kErrlistEntries = 135;  // the newest version's count
uint32_t gErrlistEntries = kErrlistEntries;
uint32_t gErrcountAddresses[2];  // sys_nerr, _sys_nerr

uint32_t* GuestWords(uint32_t address) {
  return reinterpret_cast<uint32_t*>(uintptr_t{address});
}

void WriteErrorCount() {
  for (uint32_t address : gErrcountAddresses)
    if (address != 0) *GuestWords(address) = gErrlistEntries;
}

void BindErrlist(uint32_t address, uint32_t size) {
  uint32_t* entries = GuestWords(address);
  const uint32_t count = size / 4;
  for (uint32_t i = 0; i < count; ++i) {
    // Numbers without a name have no entry, as in the library's own table.
    const linux::ErrnoRow* row = FindError(static_cast<int32_t>(i));
    entries[i] = row != nullptr ? Address(row->text.data()) : 0;
  }
  gErrlistEntries = count < kErrlistEntries ? count : kErrlistEntries;
  WriteErrorCount();
}

void BindErrcount(uint32_t address, uint32_t size, int which) {
  if (size < 4) return;
  gErrcountAddresses[which] = address;
  WriteErrorCount();
}

void BindSysNerr(uint32_t address, uint32_t size) {
  BindErrcount(address, size, 0);
}
void BindUnderscoreSysNerr(uint32_t address, uint32_t size) {
  BindErrcount(address, size, 1);
}

// 32, 64 or 65 entries, by version; only the classic signals have one.
void BindSiglist(uint32_t address, uint32_t size) {
  uint32_t* entries = GuestWords(address);
  for (uint32_t i = 0; i < size / 4; ++i)
    entries[i] = Address(SignalText(static_cast<int32_t>(i)));
}

// ---- Assertions ---------------------------------------------------------------

// "prog: file:line: function: what", then the run ends as abort ends it.
// The guest's buffered output goes out first, so that the report follows
// what the program printed before it.
[[noreturn]] void AssertionReport(const char* file, uint32_t line,
                                  const char* function, std::string_view what) {
  std::string text(ProgramShortName());
  if (!text.empty()) text += ": ";
  text += file != nullptr ? file : "";
  text += ':';
  text += std::to_string(line);
  text += ": ";
  if (function != nullptr) {
    text += function;
    text += ": ";
  }
  text += what;
  FatalError(text);
}

char gSignalBuffer[48];

// ---- error() and error_at_line() ----------------------------------------------
//
// error_at_line's last place, and where the guest keeps error_one_per_line,
// error_message_count and error_print_progname (0: it has none).
struct Place {
  const char* file;
  uint32_t line;
};
Place gLastPlace;
uint32_t gOnePerLineAddress;
uint32_t gMessageCountAddress;
uint32_t gPrintProgramNameAddress;

void BindOnePerLine(uint32_t address, uint32_t size) {
  if (size >= 4) gOnePerLineAddress = address;
}
void BindMessageCount(uint32_t address, uint32_t size) {
  if (size >= 4) gMessageCountAddress = address;
}
void BindPrintProgramName(uint32_t address, uint32_t size) {
  if (size >= 4) gPrintProgramNameAddress = address;
}

uint32_t GuestWord(uint32_t address) { return address != 0 ? *GuestWords(address) : 0; }

// A report as the Linux C library writes one: standard output written out
// first (a report of a problem follows what the program printed before it),
// then on the guest's standard error the program's full name and
// `nameEnd`, or whatever the guest's error_print_progname writes instead;
// then `place`, the message, ": " and the error's text when errnum is not
// 0, and the line end. The writes are the guest's own, so a pipe whose
// reader has gone is SIGPIPE here as there. A nonzero status then ends
// the run as exit(status).
void Report(int32_t status, int32_t errnum, std::string_view nameEnd,
            std::string_view place, const char* format, const uint8_t* args) {
  tblibc_fflush(io::Current(1));
  std::string text;
  if (const uint32_t printName = GuestWord(gPrintProgramNameAddress)) {
    CallGuest(printName, {});
  } else {
    text = ProgramInvocationName();
    text += nameEnd;
  }
  text += place;
  // The guest's formats are the Linux C library's on every port: ours.
  text += format::FormatText(format != nullptr ? format : "", args);
  if (gMessageCountAddress != 0) ++*GuestWords(gMessageCountAddress);
  if (errnum != 0) {
    text += ": ";
    text += ErrorText(errnum);
  }
  text += '\n';
  void* const error = GuestStderr();
  // Bytes whatever the stream's orientation: glibc writes its reports to a
  // wide-oriented standard error too.
  io::Write(io::File(error), text.data(), static_cast<uint32_t>(text.size()));
  tblibc_fflush(error);
  if (status != 0) Exit(status);
}

}  // namespace
}  // namespace tblibc

extern "C" {

const char* tblibc_strerror(int32_t errnum) {
  return tblibc::ErrorText(errnum).data();
}

// The GNU form: the library's own text, or the unknown number's text
// written into the buffer (cut to fit) and the buffer returned.
char* tblibc_strerror_r(int32_t errnum, char* buffer, uint32_t size) {
  if (const linux::ErrnoRow* row = tblibc::FindError(errnum))
    return const_cast<char*>(row->text.data());
  if (size != 0) {
    const std::string_view text = tblibc::ErrorText(errnum);
    const size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return buffer;
}

// The POSIX form: the text copied in, cut to fit; ERANGE when it was cut,
// EINVAL for a number without a text. errno stays as it was.
int tblibc_xpg_strerror_r(int32_t errnum, char* buffer, uint32_t size) {
  const std::string_view text = tblibc::ErrorText(errnum);
  if (size != 0) {
    const size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  if (tblibc::FindError(errnum) == nullptr) return linux::kEINVAL;
  return text.size() < size ? 0 : linux::kERANGE;
}

const char* tblibc_strsignal(int32_t signal) {
  if (const char* text = tblibc::SignalText(signal)) return text;
  if (signal >= tblibc::kFirstRealtime && signal <= tblibc::kLastSignal) {
    std::snprintf(tblibc::gSignalBuffer, sizeof tblibc::gSignalBuffer,
                  "Real-time signal %d",
                  static_cast<int>(signal - tblibc::kFirstRealtime));
  } else {
    std::snprintf(tblibc::gSignalBuffer, sizeof tblibc::gSignalBuffer,
                  "Unknown signal %d", static_cast<int>(signal));
  }
  return tblibc::gSignalBuffer;
}

// The names of the numbers ("ENOENT", "SIGINT" without its "SIG") and
// their texts; null for a number the library does not name.
const char* tblibc_strerrorname_np(int32_t errnum) {
  const linux::ErrnoRow* row = tblibc::FindError(errnum);
  return row == nullptr ? nullptr : errnum == 0 ? "0" : row->name.data();
}

const char* tblibc_strerrordesc_np(int32_t errnum) {
  const linux::ErrnoRow* row = tblibc::FindError(errnum);
  return row == nullptr ? nullptr : row->text.data();
}

const char* tblibc_sigabbrev_np(int32_t signal) {
  const tblibc::SignalRow* row = tblibc::FindSignal(signal);
  return row == nullptr ? nullptr : row->abbreviation.data();
}

const char* tblibc_sigdescr_np(int32_t signal) { return tblibc::SignalText(signal); }

// "prefix: text" on standard error; the real-time signals are unknown
// here, as they are to the Linux C library's psignal.
void tblibc_psignal(int32_t signal, const char* prefix) {
  std::string line;
  if (prefix != nullptr && *prefix != '\0') {
    line = prefix;
    line += ": ";
  }
  if (const char* text = tblibc::SignalText(signal)) {
    line += text;
  } else {
    line += "Unknown signal ";
    line += std::to_string(signal);
  }
  line += '\n';
  tblibc::FlushGuestStreams();
  void* error = tblibc::GuestStderr();
  tblibc::io::Write(tblibc::io::File(error), line.data(), static_cast<uint32_t>(line.size()));
  tblibc_fflush(error);
}

[[noreturn]] void tblibc_assert_fail(const char* assertion, const char* file,
                                     uint32_t line, const char* function) {
  std::string what = "Assertion `";
  what += assertion != nullptr ? assertion : "";
  what += "' failed.";
  tblibc::AssertionReport(file, line, function, what);
}

[[noreturn]] void tblibc_assert_perror_fail(int32_t errnum, const char* file,
                                            uint32_t line,
                                            const char* function) {
  std::string what = "Unexpected error: ";
  what += tblibc::ErrorText(errnum);
  what += '.';
  tblibc::AssertionReport(file, line, function, what);
}

[[noreturn]] void tblibc_assert(const char* assertion, const char* file,
                                int32_t line) {
  tblibc_assert_fail(assertion, file, static_cast<uint32_t>(line), nullptr);
}

// error_at_line: error()'s report with the place after the name,
// "prog:file:line: message" ("prog: message" without a file). While the
// guest's error_one_per_line is set, a report for the same place as the
// one before is left out.
int tblibc_error_at_line(int32_t status, int32_t errnum, const char* file,
                         uint32_t line, const char* format, ...) {
  using tblibc::gLastPlace;
  const bool onePerLine = tblibc::gOnePerLineAddress != 0 &&
                          *tblibc::GuestWords(tblibc::gOnePerLineAddress) != 0;
  if (onePerLine) {
    // Left out entirely, the status too, as the Linux C library does; the
    // places are remembered only while the flag is set.
    if (gLastPlace.line == line &&
        (gLastPlace.file == file ||
         (gLastPlace.file != nullptr && file != nullptr &&
          std::strcmp(gLastPlace.file, file) == 0)))
      return 0;
    gLastPlace = {file, line};
  }
  std::string place = " ";
  if (file != nullptr) {
    place = file;
    place += ':';
    place += std::to_string(line);
    place += ": ";
  }
  va_list args;
  va_start(args, format);
  tblibc::Report(status, errnum, ":", place, format, reinterpret_cast<const uint8_t*>(args));
  va_end(args);
  return 0;
}


// <err.h>: "name: message: error text" (warn, err) or "name: message"
// (warnx, errx) on the guest's standard error, name being the program's
// short name; err and errx then end the run as exit(status) would. The
// message goes through our printf engine, the guest's arguments being an
// i386 va_list; errno is read before anything can change it.
static void WarnLine(bool withError, const char* format, const uint8_t* args) {
  const int32_t number = tblibc::Errno();
  std::string line(tblibc::ProgramShortName());
  line += ": ";
  if (format != nullptr) line += tblibc::format::FormatText(format, args);
  if (withError) {
    if (format != nullptr) line += ": ";
    line += tblibc::ErrorText(number);
  }
  line += '\n';
  void* error = tblibc::GuestStderr();
  tblibc::io::Write(tblibc::io::File(error), line.data(), static_cast<uint32_t>(line.size()));
  tblibc_fflush(error);
  tblibc::SetErrno(number);
}

void tblibc_vwarn(const char* format, const uint8_t* args) { WarnLine(true, format, args); }
void tblibc_vwarnx(const char* format, const uint8_t* args) { WarnLine(false, format, args); }

void tblibc_warn(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WarnLine(true, format, reinterpret_cast<const uint8_t*>(args));
  va_end(args);
}

void tblibc_warnx(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WarnLine(false, format, reinterpret_cast<const uint8_t*>(args));
  va_end(args);
}

[[noreturn]] void tblibc_verr(int32_t status, const char* format, const uint8_t* args) {
  WarnLine(true, format, args);
  tblibc_exit(status);
}

[[noreturn]] void tblibc_verrx(int32_t status, const char* format, const uint8_t* args) {
  WarnLine(false, format, args);
  tblibc_exit(status);
}

[[noreturn]] void tblibc_err(int32_t status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  tblibc_verr(status, format, reinterpret_cast<const uint8_t*>(args));
}

[[noreturn]] void tblibc_errx(int32_t status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  tblibc_verrx(status, format, reinterpret_cast<const uint8_t*>(args));
}


// error(status, errnum, format, ...): "prog: message: error text" on the
// guest's standard error (see Report). The guest's arguments arrive as an
// i386 va_list, which is what va_start gives here.
int tblibc_error(int32_t status, int32_t errnum, const char* format, ...) {
  va_list args;
  va_start(args, format);
  tblibc::Report(status, errnum, ": ", "", format, reinterpret_cast<const uint8_t*>(args));
  va_end(args);
  return 0;
}

// The loader and the bridge library share the host C runtime's errno, so
// a failing host call is visible to the guest.
int* tblibc_errno_location() { return &errno; }

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_strerror>("strerror"),
    Fn<&tblibc_strerror>("strerror_l"),  // the locale: one more word
    Fn<&tblibc_strerror_r>("strerror_r"),
    Fn<&tblibc_strerror_r>("__strerror_r"),
    Fn<&tblibc_xpg_strerror_r>("__xpg_strerror_r"),
    Fn<&tblibc_strsignal>("strsignal"),
    Fn<&tblibc_psignal>("psignal"),
    Fn<&tblibc_strerrorname_np>("strerrorname_np"),
    Fn<&tblibc_strerrordesc_np>("strerrordesc_np"),
    Fn<&tblibc_sigabbrev_np>("sigabbrev_np"),
    Fn<&tblibc_sigdescr_np>("sigdescr_np"),
    Fn<&tblibc_assert_fail>("__assert_fail"),
    Fn<&tblibc_assert_perror_fail>("__assert_perror_fail"),
    Fn<&tblibc_assert>("__assert"),
    Fn<&tblibc_error_at_line>("error_at_line"),
    Fn<&tblibc_warn>("warn"),
    Fn<&tblibc_warnx>("warnx"),
    Fn<&tblibc_vwarn>("vwarn"),
    Fn<&tblibc_vwarnx>("vwarnx"),
    Fn<&tblibc_err>("err"),
    Fn<&tblibc_errx>("errx"),
    Fn<&tblibc_verr>("verr"),
    Fn<&tblibc_verrx>("verrx"),
};

constexpr DataExport kObjects[] = {
    {"sys_errlist", &BindErrlist},
    {"_sys_errlist", &BindErrlist},
    {"sys_nerr", &BindSysNerr},
    {"_sys_nerr", &BindUnderscoreSysNerr},
    {"sys_siglist", &BindSiglist},
    {"_sys_siglist", &BindSiglist},
    {"error_one_per_line", &BindOnePerLine},
    {"error_message_count", &BindMessageCount},
    {"error_print_progname", &BindPrintProgramName},
};

}  // namespace

extern const Family kErrorsFamily;
const Family kErrorsFamily{"errors", kExports, kObjects};

}  // namespace tblibc
