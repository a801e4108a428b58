// Module `util`: the import name registry, the reporter for calls that
// nothing serves, and the pause.
#include "libcbind/util.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "runtime/rtl.h"

// The stub in reporter.S that rewritten PLT entries call, and the procedure
// it hands the name to (defined in the loader itself, so the stub reaches it
// with a plain PC-relative call also in a position-independent loader).
extern "C" void tumbex_UnknownCallReporter();
extern "C" void tumbex_ReportUnknownCall(const char* name);

namespace util {
namespace {

// Two parallel arrays, appended to only. The registry keeps its own copy of
// each name; the binding registers constant text, tests register temporaries.
std::vector<std::string> gNames;
std::vector<uint32_t> gEntries;

}  // namespace

void Init() {
  gNames.clear();
  gEntries.clear();
}

void Finalise() {
  std::vector<std::string>().swap(gNames);
  std::vector<uint32_t>().swap(gEntries);
}

void RegisterImport(std::string_view name, uint32_t entry) {
  gNames.emplace_back(name);
  gEntries.push_back(entry);
}

// Exact bytes, exact length: no case folding, no trimming, no version
// suffixes. The guest's string table is trusted only to hold a NUL.
uint32_t LookupImport(const char* name) {
  const std::string_view wanted = name != nullptr ? name : "";
  if (!wanted.empty()) {
    for (size_t i = 0; i < gNames.size(); ++i) {
      if (gNames[i] == wanted) return gEntries[i];
    }
  }
  return UnknownCallReporterAddress();
}

size_t ImportCount() { return gNames.size(); }
std::string_view ImportName(size_t i) { return gNames.at(i); }
uint32_t ImportEntry(size_t i) { return gEntries.at(i); }

uint32_t UnknownCallReporterAddress() {
  return static_cast<uint32_t>(
      reinterpret_cast<uintptr_t>(&tumbex_UnknownCallReporter));
}

// Every end of a guest run comes through here. The loader's own text goes
// out first (it may sit in the writer's buffer when standard output is a
// file), then the run waits for Enter so a console window stays readable;
// at the end of input the read returns at once. The process ends without
// the orderly shutdown, with all 32 bits of the code.
void PauseAndExit(uint32_t code) {
  rtl::Flush();
  rtl::ReadLine();
  platform::ExitProcess(code);
}

}  // namespace util

// Runs on the guest's stack, called from reporter.S with the name that the
// rewritten PLT entry pushed.
extern "C" void tumbex_ReportUnknownCall(const char* name) {
  std::string line = "Unknown/Unimplemented call \"";
  line += name;
  line += '"';
  rtl::WriteLine(line);
  rtl::Flush();
}
