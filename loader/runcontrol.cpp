// The loader's main routine. By the time it runs every module has started,
// so the import registry is complete; it examines the command line, has the
// image loaded and hands over to guest start. Every refusal waits for Enter
// so that a console window opened just for this run stays readable, and
// ends with code 0 through the orderly shutdown.
#include "loader/runcontrol.h"

#include <string>
#include <vector>

#include "loader/elfload.h"
#include "loader/startguest.h"
#include "platform/files.h"
#include "platform/process.h"
#include "runtime/rtl.h"

namespace {

// The message is out before the wait, also when standard output is not a
// console, so the user sees why the run waits.
[[noreturn]] void PauseAndEnd() {
  rtl::Flush();
  rtl::Pause();
  rtl::Halt(0);
}

}  // namespace

void RunLoader() {
  // Word 0 is the loader itself; word 1 the ELF file; the rest belong to
  // the guest and are left to guest start.
  const std::vector<std::string> words = platform::CommandLine();
  if (words.size() < 2) {
    rtl::WriteLine("Tumbex_070922 - Linux libc binary loader.");
    rtl::WriteLine("Usage: " + platform::ModuleFileName() + " ELF_file");
    PauseAndEnd();
  }
  const std::string& path = words[1];
  if (!platform::FileExists(path.c_str())) {
    rtl::WriteLine("File not found \"" + path + "\"");
    PauseAndEnd();
  }
  // Only a regular file is opened: a FIFO without a writer would hold the
  // open (and the read after it) for ever, and a device or socket has no
  // program in it. The kind is asked of the name, so nothing waits on it.
  platform::FileStatus status;
  if (platform::PathStatus(path.c_str(), true, &status) != 0 ||
      status.kind != platform::FileKind::kRegular) {
    rtl::WriteLine("\"" + path + "\" is not a regular file.");
    rtl::WriteLine("Error loading \"" + path + "\"");
    PauseAndEnd();
  }
  if (!LoadElfImage(path)) {
    rtl::WriteLine("Error loading \"" + path + "\"");
    PauseAndEnd();
  }
  StartGuest();
}
