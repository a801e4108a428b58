// Module `util`: the import name registry, the reporter for calls that
// nothing serves, and the pause.
#include "libcbind/util.h"

#include <string>
#include <vector>

#include "platform/process.h"
#include "runtime/rtl.h"

// The stub in reporter.S that rewritten PLT entries call, and the procedure
// it hands the name to (defined in the loader itself, so the stub reaches it
// with a plain PC-relative call also in a position-independent loader).
extern "C" void tumbex_UnknownCallReporter();
extern "C" void tumbex_ReportUnknownCall(const char* name);

namespace util {
namespace {

// Appended to only. The registry keeps its own copy of each name (the
// binding registers constant text, tests register temporaries), all of
// them in one block of text: several hundred small strings would cost the
// start of every run a page fault per few dozen names, on hosts where a
// fault is dear.
struct Row {
  uint32_t offset;
  uint32_t length;
  uint32_t entry;
};
std::string gText;
std::vector<Row> gRows;

// Room for the C library as served today, so that registering never moves
// what is already there.
constexpr size_t kExpectedNames = 1024;
constexpr size_t kExpectedText = 12 * 1024;

std::string_view NameOf(const Row& row) {
  return std::string_view(gText).substr(row.offset, row.length);
}

}  // namespace

void Init() {
  gText.clear();
  gRows.clear();
  gText.reserve(kExpectedText);
  gRows.reserve(kExpectedNames);
}

void Finalise() {
  std::string().swap(gText);
  std::vector<Row>().swap(gRows);
}

void RegisterImport(std::string_view name, uint32_t entry) {
  gRows.push_back({static_cast<uint32_t>(gText.size()),
                   static_cast<uint32_t>(name.size()), entry});
  gText.append(name);
}

// Exact bytes, exact length: no case folding, no trimming, no version
// suffixes. The guest's string table is trusted only to hold a NUL.
uint32_t LookupImport(const char* name) {
  const std::string_view wanted = name != nullptr ? name : "";
  if (!wanted.empty()) {
    for (const Row& row : gRows) {
      if (NameOf(row) == wanted) return row.entry;
    }
  }
  return UnknownCallReporterAddress();
}

size_t ImportCount() { return gRows.size(); }
std::string_view ImportName(size_t i) { return NameOf(gRows.at(i)); }
uint32_t ImportEntry(size_t i) { return gRows.at(i).entry; }

uint32_t UnknownCallReporterAddress() {
  return static_cast<uint32_t>(
      reinterpret_cast<uintptr_t>(&tumbex_UnknownCallReporter));
}

// Every end of a guest run comes through here. The loader's own text goes
// out first (it may sit in the writer's buffer when standard output is a
// file), then the run waits for Enter when a console is there to press it
// on. The process ends without
// the orderly shutdown, with all 32 bits of the code.
void PauseAndExit(uint32_t code) {
  rtl::Flush();
  rtl::Pause();
  platform::ExitProcess(code);
}

}  // namespace util

// Runs on the guest's stack, called from reporter.S with the name that the
// rewritten PLT entry pushed.
extern "C" void tumbex_ReportUnknownCall(const char* name) {
  std::string line = "Unknown/Unimplemented call \"";
  line += name;
  line += '"';
  rtl::ReportLine(line);
}
