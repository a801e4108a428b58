// The C library beyond the start-up 78, family by family. The order of
// this list is the registration order; a family's own file holds its table.
#include "libcbind/families.h"

#include <iterator>

#include "libcbind/tblibc.h"
#include "libcbind/util.h"

namespace tblibc {

extern const Family kFormatFamily;       // format.cpp: the printf family
extern const Family kStreamsFamily;      // streams.cpp
extern const Family kScanFamily;         // scan.cpp: the scanf family
extern const Family kWideStreamsFamily;  // widestreams.cpp: wide characters, wprintf
extern const Family kStringsFamily;      // strings.cpp: memory and strings
extern const Family kErrorsFamily;       // errors.cpp: texts, assertions
extern const Family kNumbersFamily;      // numbers.cpp: conversions, abs, div
extern const Family kSortingFamily;      // sorting.cpp: qsort, search trees
extern const Family kRandomFamily;       // random.cpp
extern const Family kCtypeFamily;        // ctype.cpp: classes, wide characters
extern const Family kEnvironmentFamily;  // environment.cpp
extern const Family kFilesFamily;        // files.cpp: status, descriptors, names
extern const Family kDirectoriesFamily;  // directories.cpp: listing, glob, ftw
extern const Family kMappingsFamily;     // mappings.cpp: mmap and its kin
extern const Family kTimeFamily;         // time.cpp
extern const Family kMathFamily;         // math.cpp: libm
extern const Family kJumpsFamily;        // jumps.cpp: setjmp and longjmp
extern const Family kSignalsFamily;      // signals.cpp
extern const Family kTimersFamily;       // timers.cpp: alarm, setitimer, timer_create
extern const Family kProcessFamily;      // process.cpp
extern const Family kFortifyFamily;      // fortify.cpp: checked and older names
extern const Family kAllocationFamily;   // allocation.cpp: aligned blocks, reallocarray
extern const Family kRegexFamily;        // regex.cpp: regcomp, regexec
extern const Family kThreadsFamily;      // threads.cpp: pthread, one thread
extern const Family kLocalesFamily;      // locales.cpp: locale objects, _l names
extern const Family kWideMemFamily;      // widemem.cpp: wmemcpy and its kin
extern const Family kNetNamesFamily;     // netnames.cpp: byte order, inet_ addresses
extern const Family kTablesFamily;       // tables.cpp: hsearch, insque
extern const Family kSigRealtimeFamily;  // sigrealtime.cpp: SIGRTMIN, SIGRTMAX
extern const Family kLongOnlyFamily;     // longonly.cpp: getopt_long_only
extern const Family kIconvFamily;        // iconv.cpp: iconv_open, iconv
extern const Family kMultibyteFamily;    // multibyte.cpp: mbsrtowcs, wide strings
extern const Family kPollingFamily;      // polling.cpp: poll, select
extern const Family kWordExpFamily;      // wordexp.cpp: wordexp, wordfree
extern const Family kSemaphoresFamily;   // semaphores.cpp: sem_init, sem_open
extern const Family kC11ThreadsFamily;   // c11threads.cpp: thrd_, mtx_, cnd_, tss_
extern const Family kFtsFamily;          // fts.cpp: fts_open, fts_read
extern const Family kAioFamily;          // aio.cpp: aio_read, lio_listio
extern const Family kRefusalsFamily;     // refusals.cpp: sockets, IPC, epoll: ENOSYS

namespace {

const Family* const kFamilies[] = {
    &kFormatFamily,
    &kStreamsFamily,
    &kScanFamily,
    &kWideStreamsFamily,
    &kStringsFamily,
    &kErrorsFamily,
    &kNumbersFamily,
    &kSortingFamily,
    &kRandomFamily,
    &kCtypeFamily,
    &kEnvironmentFamily,
    &kFilesFamily,
    &kDirectoriesFamily,
    &kMappingsFamily,
    &kTimeFamily,
    &kMathFamily,
    &kJumpsFamily,
    &kSignalsFamily,
    &kTimersFamily,
    &kProcessFamily,
    &kFortifyFamily,
    &kAllocationFamily,
    &kRegexFamily,
    &kThreadsFamily,
    &kLocalesFamily,
    &kWideMemFamily,
    &kNetNamesFamily,
    &kTablesFamily,
    &kSigRealtimeFamily,
    &kLongOnlyFamily,
    &kIconvFamily,
    &kMultibyteFamily,
    &kPollingFamily,
    &kWordExpFamily,
    &kSemaphoresFamily,
    &kC11ThreadsFamily,
    &kFtsFamily,
    &kAioFamily,
    &kRefusalsFamily,
};
static_assert(std::size(kFamilies) == 39);

}  // namespace

std::span<const Family* const> Families() { return kFamilies; }

void RegisterFamilies() {
  for (const Family* family : kFamilies)
    for (const Export& row : family->exports)
      util::RegisterImport(row.name, row.entry());
}

const DataExport* FindDataObject(std::string_view name) {
  for (const DataExport& object : StartupObjects())
    if (object.name == name) return &object;
  for (const Family* family : kFamilies)
    for (const DataExport& object : family->objects)
      if (object.name == name) return &object;
  return nullptr;
}

bool BindDataObject(std::string_view name, uint32_t address, uint32_t size) {
  const DataExport* object = FindDataObject(name);
  if (object != nullptr) object->bind(address, size);
  return object != nullptr;
}

void StartFamilies() {
  for (const Family* family : kFamilies)
    if (family->start != nullptr) family->start();
}

}  // namespace tblibc
