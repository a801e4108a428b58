// Helpers for the registry, bridge and binding tests: temp files, the
// loader's console pointed at a file, entries called by name or slot, and
// the assembly caller that checks what an entry leaves in the registers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "abi/files.h"
#include "libcbind/util.h"
#include "platform/console.h"
#include "runtime/rtl.h"
#include "tblibc/interface.h"

// binding_caller.S: calls `entry` with the eight words of `args` on a stack
// 4 bytes off the ABI's 16-byte alignment and with known values in EBX,
// ESI, EDI and EBP; *clobbered gets a bit for each one that came back
// changed (1 EBX, 2 ESI, 4 EDI, 8 EBP). Returns the entry's EAX.
extern "C" uint32_t tumbex_test_CallPlanted(uint32_t entry, const uint32_t* args,
                                            uint32_t* clobbered);
// A PLT entry as the image loader rewrites it for an unserved name: pushes
// the address of "no_such_function" and calls the UnknownCallReporter.
extern "C" void tumbex_test_FakePltEntry();

namespace libctest {

namespace fs = std::filesystem;

inline uint32_t Address(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

template <typename F>
F* Fn(uint32_t entry) {
  return reinterpret_cast<F*>(uintptr_t{entry});
}

// A registered C-library name as the guest would call it.
template <typename F>
F* Import(const char* name) {
  return Fn<F>(util::LookupImport(name));
}

inline const uint32_t* Table() { return theint(); }

template <typename F>
F* SlotFn(int slot) {
  return Fn<F>(Table()[slot]);
}

// One directory of this run's own in the temp directory, made on first use
// and removed with everything in it when the run ends (scratch.cpp), so that
// no run leaves files behind or meets those of another.
fs::path ScratchDirectory();

// A path in the scratch directory named after the running test and `tag`.
inline fs::path TempPath(std::string_view tag) {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "tumbex_libc_";
  name += info->test_suite_name();
  name += '_';
  name += info->name();
  name += '_';
  name += tag;
  return ScratchDirectory() / name;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Line ends folded to LF.
inline std::string Unix(std::string text) {
  std::string out;
  for (char ch : text)
    if (ch != '\r') out += ch;
  return out;
}

inline platform::Handle OpenForTest(const fs::path& path, unsigned flags) {
  platform::Handle h = platform::kInvalidHandle;
  const uint32_t result = platform::FileOpen(path.string().c_str(), flags, 0644, &h);
  if (result != 0) ADD_FAILURE() << "cannot open " << path << ": " << result;
  return h;
}

struct ConsoleHandles {
  platform::Handle out, in;
};

// Points the loader's console writer at a file (not a console, so it
// buffers), its report lines at the same file, so that everything the
// loader says is there in order, and its reader at an empty input, so the
// pause returns at once.
inline ConsoleHandles RedirectLoaderConsole(const fs::path& out) {
  const fs::path in = fs::path(out).concat(".in");
  WriteFile(in, "");
  const ConsoleHandles h{
      OpenForTest(out, linux::kOpenWrite | linux::kOpenCreate |
                           linux::kOpenTruncate),
      OpenForTest(in, linux::kOpenRead)};
  rtl::testing::RedirectConsole(h.out, false, h.in, h.out);
  return h;
}

// The loader's console into a file for the life of the object.
class ConsoleCapture {
 public:
  ConsoleCapture()
      : path_(TempPath("console")), handles_(RedirectLoaderConsole(path_)) {}
  ~ConsoleCapture() {
    const platform::Handle out = platform::StdOutput();
    rtl::testing::RedirectConsole(out, platform::IsConsole(out),
                                  platform::StdInput());
    platform::FileClose(handles_.out);
    platform::FileClose(handles_.in);
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // What has been written so far, line ends folded to LF.
  std::string Text() {
    rtl::Flush();
    return Unix(ReadFile(path_));
  }

 private:
  fs::path path_;
  ConsoleHandles handles_;
};

}  // namespace libctest
