// The binding module: the names it registers and its own entry points,
// called by name as a guest would call them. Ways out of the run are death
// tests whose child has the loader's console in a file and its input at the
// end; at-exit routines report on standard error, which the parent matches.
#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <unistd.h>

#include "libc_test_support.h"
#include "libcbind/families.h"
#include "libcbind/iofile.h"
#include "libcbind/tblibc.h"
#include "process/process.h"
#include "libcbind/util.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"
#include "tblibc/interface.h"

// The reporter's procedure, which the entry stub calls with the name.
extern "C" void tumbex_ReportUnknownCall(const char* name);

namespace {

using namespace libctest;

class BindingTest : public testing::Test {
 protected:
  void SetUp() override {
    util::Init();
    tblibc::Init();
  }
  void TearDown() override { util::Init(); }
};

// ---- Registrations -------------------------------------------------------------

constexpr int kOwn = -1;
struct Expected {
  const char* name;
  int slot;
};
constexpr Expected kExpected[] = {
    {"__libc_start_main", kOwn}, {"printf", kOwn}, {"fprintf", kOwn},
    {"vfprintf", kOwn}, {"snprintf", kOwn}, {"fputs", kOwn}, {"fflush", kOwn},
    {"fileno", kOwn}, {"mkdir", kOwn}, {"fputs_unlocked", kOwn}, {"puts", kOwn},
    {"putc", kOwn}, {"fputc", kOwn}, {"getopt_long", 18}, {"getopt", 19},
    {"read", kOwn}, {"fread", kOwn}, {"fread_unlocked", kOwn}, {"write", kOwn},
    {"fwrite", kOwn}, {"open", kOwn}, {"open64", kOwn}, {"fcntl", kOwn},
    {"close", kOwn}, {"error", kOwn}, {"getpwuid", kOwn}, {"getuid", kOwn},
    {"geteuid", kOwn}, {"getegid", kOwn}, {"getgid", kOwn}, {"getenv", kOwn},
    {"uname", kOwn}, {"strlen", 21}, {"strrchr", 22}, {"strchr", 23},
    {"strstr", 24}, {"strcpy", 25}, {"strncpy", 26}, {"bsearch", kOwn},
    {"strcmp", 28}, {"strncmp", 29}, {"index", 31}, {"rindex", 30},
    {"gethostname", kOwn}, {"futimesat", kOwn}, {"__fxstat64", kOwn},
    {"__ctype_get_mb_cur_max", kOwn}, {"tcgetattr", kOwn},
    {"tcsetattr", kOwn}, {"setupterm", kOwn}, {"ioctl", kOwn},
    {"tigetflag", kOwn}, {"tigetstr", kOwn}, {"tigetnum", kOwn},
    {"signal", kOwn}, {"getgrgid", kOwn}, {"setgrent", kOwn},
    {"getgrent", kOwn}, {"endgrent", kOwn}, {"__ctype_b_loc", kOwn},
    {"setbuf", kOwn}, {"__overflow", kOwn}, {"__errno_location", kOwn},
    {"__cxa_atexit", kOwn}, {"exit", kOwn}, {"abort", kOwn},
    {"__fpending", kOwn}, {"getpagesize", kOwn}, {"setlocale", kOwn},
    {"dcgettext", kOwn}, {"bindtextdomain", kOwn}, {"textdomain", kOwn},
    {"malloc", kOwn}, {"realloc", kOwn}, {"calloc", kOwn}, {"free", kOwn},
    {"memset", kOwn}, {"memcpy", kOwn},
};
static_assert(std::size(kExpected) == 78);

// The families come after the 78, so the start-up names keep their rows.
TEST_F(BindingTest, RegistersTheSeventyEightNamesInOrder) {
  ASSERT_GE(util::ImportCount(), 78u);
  const uint32_t* table = theint();
  for (size_t i = 0; i < 78; ++i) {
    const Expected& e = kExpected[i];
    EXPECT_EQ(util::ImportName(i), e.name) << "row " << i + 1;
    const uint32_t entry = util::ImportEntry(i);
    if (e.slot != kOwn) {
      EXPECT_EQ(entry, table[e.slot]) << e.name;
    } else {
      EXPECT_NE(entry, 0u) << e.name;
      EXPECT_NE(entry, util::UnknownCallReporterAddress()) << e.name;
      for (int slot = 0; slot < iface::kSlotCount; ++slot)
        EXPECT_NE(entry, table[slot]) << e.name << " is slot " << slot;
    }
  }
}

TEST_F(BindingTest, StartsTheStandardStreamsForTheImageLoader) {
  for (int fd = 0; fd < 3; ++fd) {
    const tblibc::io::IoFile* f = tblibc::io::Standard(fd);
    EXPECT_EQ(f->fileno, fd);
    EXPECT_EQ(f->flags & linux::kIoMagicMask, linux::kIoMagic);
  }
  EXPECT_EQ(process::StdinUsedWord, 1);
}

// ---- Fixed answers and wrappers ----------------------------------------------

TEST_F(BindingTest, GetpwuidWalksTheUserTable) {
  process::UserRecord users[2] = {{"root", "x", 0, 0, "", "/", "/bin/sh"},
                                 {"user", "x", 5, 5, "", "/", "/bin/sh"}};
  auto getpwuid = Import<process::UserRecord*(uint32_t)>("getpwuid");
  process::UserTable = users;
  process::UserCount = 2;
  EXPECT_EQ(getpwuid(0), &users[0]);
  EXPECT_EQ(getpwuid(5), &users[1]);
  EXPECT_EQ(getpwuid(1), nullptr);
  process::UserCount = 0;
  EXPECT_EQ(getpwuid(0), nullptr);
  process::UserTable = nullptr;
}

TEST_F(BindingTest, UnameFillsExactlyTheRecord) {
  char buffer[400];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(Import<int(char*)>("uname")(buffer), 0);
  EXPECT_EQ(std::string_view(buffer, 6), std::string_view("linux\0", 6));
  EXPECT_EQ(buffer[64], '\0');
  EXPECT_STREQ(buffer + 65, "nodename");
  EXPECT_STREQ(buffer + 260, "i386");
  EXPECT_STREQ(buffer + 325, "localdomain");
  EXPECT_EQ(buffer[389], '\0');
  EXPECT_EQ(buffer[390], '#');
}

// Never past `len` bytes: the name cut short, always terminated.
TEST_F(BindingTest, GethostnameStaysInsideTheBuffer) {
  auto gethostname = Import<int(char*, uint32_t)>("gethostname");
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(gethostname(buffer, 64), 0);
  EXPECT_STREQ(buffer, "hostnamestub");
  for (uint32_t len : {13u, 12u, 5u, 1u}) {
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(gethostname(buffer, len), 0);
    EXPECT_EQ(std::string(buffer), std::string("hostnamestub").substr(0, len - 1));
    EXPECT_EQ(buffer[len], '#') << len;
  }
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(gethostname(buffer, 0), 0);
  EXPECT_EQ(buffer[0], '#');
}

TEST_F(BindingTest, CloseClosesOnce) {
  auto close = Import<int(int)>("close");
  const fs::path path = TempPath("file");
  const int fd = SlotFn<int(const char*, unsigned, ...)>(iface::kTblopen)(
      path.string().c_str(), 0x241, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(close(fd), 0);
  EXPECT_EQ(close(fd), -1);
  fs::remove(path);
}

// The guest's errno is the host C runtime's own, so a failing host call
// shows through it.
TEST_F(BindingTest, ErrnoLocationIsTheHostsErrno) {
  auto location = Import<int*()>("__errno_location");
  int* cell = location();
  EXPECT_EQ(cell, location());
  EXPECT_EQ(cell, &errno);
  *cell = 0;
  const fs::path missing = TempPath("missing");
  EXPECT_EQ(Import<int(const char*, unsigned, ...)>("open")(
                missing.string().c_str(), 0),
            -1);
  EXPECT_EQ(*cell, ENOENT);
}

// Checked against the host's "C" locale, class by class.
TEST_F(BindingTest, CtypeTableHoldsTheCLocaleClasses) {
  const uint16_t* const* location =
      Import<const uint16_t* const*()>("__ctype_b_loc")();
  ASSERT_NE(location, nullptr);
  const uint16_t* table = *location;
  struct Class {
    uint16_t bit;
    int (*is)(int);
  };
  const Class classes[] = {
      {0x100, [](int c) { return std::isupper(c); }},
      {0x200, [](int c) { return std::islower(c); }},
      {0x400, [](int c) { return std::isalpha(c); }},
      {0x800, [](int c) { return std::isdigit(c); }},
      {0x1000, [](int c) { return std::isxdigit(c); }},
      {0x2000, [](int c) { return std::isspace(c); }},
      {0x4000, [](int c) { return std::isprint(c); }},
      {0x8000, [](int c) { return std::isgraph(c); }},
      {0x1, [](int c) { return static_cast<int>(c == ' ' || c == '\t'); }},
      {0x2, [](int c) { return std::iscntrl(c); }},
      {0x4, [](int c) { return std::ispunct(c); }},
      {0x8, [](int c) { return std::isalnum(c); }},
  };
  for (int c = 0; c < 128; ++c) {
    for (const Class& k : classes) {
      EXPECT_EQ((table[c] & k.bit) != 0, k.is(c) != 0)
          << "character " << c << " class " << std::hex << k.bit;
    }
  }
  for (int c = -128; c < 0; ++c) EXPECT_EQ(table[c], 0) << c;
  for (int c = 128; c < 256; ++c) EXPECT_EQ(table[c], 0) << c;
  EXPECT_EQ(table[EOF], 0);
  EXPECT_EQ(table['a'], 0x4000 | 0x8000 | 0x200 | 0x400 | 0x1000 | 0x8);
  EXPECT_EQ(table[' '], 0x2000 | 0x4000 | 0x1);
}

// The guest's program_invocation_name, in a cell of the test's own (the
// name other tests' starts leave behind must not matter).
void NameTheProgram() {
  static uint32_t cell;
  cell = Address("prog");
  tblibc::BindDataObject("program_invocation_name", Address(&cell), 4);
}

// error() writes on the guest's standard error, nothing on the loader's
// console: the name, the message and the text of the Linux error number.
[[noreturn]] void ErrorsInChild(const fs::path& out) {
  RedirectLoaderConsole(out);
  NameTheProgram();
  using ErrorFn = int(int, int, const char*, ...);
  auto error = Import<ErrorFn>("error");
  int answers = error(0, 0, "value %d of %s", 42, "x");
  answers += error(0, ENOENT, "open %s", "f");
  answers += error(0, 0, "%lld%%", 1LL << 40);
  std::_Exit(answers == 0 ? 0 : 1);
}

TEST_F(BindingTest, ErrorFormatsItsMessageAndErrnoText) {
  const fs::path out = TempPath("out");
  EXPECT_EXIT(ErrorsInChild(out), testing::ExitedWithCode(0),
              "^prog: value 42 of x\nprog: open f: No such file or directory\n"
              "prog: 1099511627776%\n$");
  EXPECT_EQ(ReadFile(out), "");
}

// ---- Memory ---------------------------------------------------------------------

TEST_F(BindingTest, MemsetAndMemcpy) {
  auto memset = Import<void*(void*, int, int32_t)>("memset");
  auto memcpy = Import<void*(void*, const void*, int32_t)>("memcpy");
  char buffer[16] = "0123456789";
  EXPECT_EQ(memset(buffer, 0x141, 4), buffer);
  EXPECT_STREQ(buffer, "AAAA456789");
  EXPECT_EQ(memset(buffer, 'z', -1), buffer);
  EXPECT_STREQ(buffer, "AAAA456789");

  char up[16] = "0123456789";
  EXPECT_EQ(memcpy(up + 2, up, 6), up + 2);  // destination above the source
  EXPECT_STREQ(up, "0101234589");
  char down[16] = "0123456789";
  EXPECT_EQ(memcpy(down, down + 2, 6), down);
  EXPECT_STREQ(down, "2345676789");
  EXPECT_EQ(memcpy(down, up, -5), down);
  EXPECT_STREQ(down, "2345676789");
}

// Blocks come from the loader's heap, never the host C runtime's.
TEST_F(BindingTest, HeapEntriesUseTheLoadersHeap) {
  auto malloc = Import<void*(int32_t)>("malloc");
  auto realloc = Import<void*(void*, int32_t)>("realloc");
  auto free = Import<void(void*)>("free");

  EXPECT_EQ(malloc(0), nullptr);
  EXPECT_EQ(malloc(-1), nullptr);
  EXPECT_EQ(malloc(INT32_MIN), nullptr);
  char* block = static_cast<char*>(malloc(10));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(rtl::HeapIsLive(block));
  std::memcpy(block, "abcdefghij", 10);

  char* grown = static_cast<char*>(realloc(block, 5000));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(std::string_view(grown, 10), "abcdefghij");
  char* shrunk = static_cast<char*>(realloc(grown, 3));
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(std::string_view(shrunk, 3), "abc");
  EXPECT_EQ(realloc(shrunk, 0), nullptr);
  EXPECT_FALSE(rtl::HeapIsLive(shrunk));

  char* fresh = static_cast<char*>(realloc(nullptr, 8));
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(rtl::HeapIsLive(fresh));
  EXPECT_EQ(realloc(fresh, -8), nullptr);  // too large: the block stays
  EXPECT_TRUE(rtl::HeapIsLive(fresh));
  free(fresh);
  EXPECT_FALSE(rtl::HeapIsLive(fresh));
  free(nullptr);
}

TEST_F(BindingTest, CallocZeroesAndRefusesOverflowingProducts) {
  auto calloc = Import<void*(uint32_t, uint32_t)>("calloc");
  auto free = Import<void(void*)>("free");
  auto malloc = Import<void*(int32_t)>("malloc");
  // Dirty a block of the size class calloc will use next.
  void* dirty = malloc(15);
  std::memset(dirty, 0xAB, 15);
  free(dirty);
  auto* block = static_cast<unsigned char*>(calloc(3, 5));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(block[i], 0) << i;
  free(block);
  EXPECT_EQ(calloc(4, 0), nullptr);
  EXPECT_EQ(calloc(0, 4), nullptr);
  EXPECT_EQ(calloc(0x10000, 0x10000), nullptr);   // 2^32 wraps to 0
  EXPECT_EQ(calloc(0x10001, 0x10000), nullptr);   // wraps to 64 KiB
  EXPECT_EQ(calloc(0x40000000, 4), nullptr);      // wraps to 0
  EXPECT_EQ(calloc(0x20000001, 8), nullptr);      // wraps to 8
}

TEST_F(BindingTest, FreeingWhatIsNotALiveBlockEndsTheRun) {
  auto malloc = Import<void*(int32_t)>("malloc");
  auto free = Import<void(void*)>("free");
  auto realloc = Import<void*(void*, int32_t)>("realloc");
  static char notHeap[32];
  EXPECT_EXIT(free(notHeap), testing::ExitedWithCode(1), "Invalid pointer");
  EXPECT_EXIT(realloc(notHeap, 8), testing::ExitedWithCode(1), "Invalid pointer");
  EXPECT_EXIT(realloc(notHeap, 0), testing::ExitedWithCode(1), "Invalid pointer");
  void* block = malloc(8);
  free(block);
  EXPECT_EXIT(free(block), testing::ExitedWithCode(1), "Invalid pointer");
  // The heap still serves after the refused calls in the children.
  void* again = malloc(8);
  EXPECT_TRUE(rtl::HeapIsLive(again));
  free(again);
}

// ---- Register preservation -------------------------------------------------------

// Entries called the way guest code calls them: a stack 4 bytes off 16-byte
// alignment and EBX, ESI, EDI, EBP expected back unchanged.
TEST_F(BindingTest, EntriesPreserveRegistersOnAGuestStack) {
  static const char text[] = "hello";
  char target[8] = {};
  const uint32_t none[8] = {};
  uint32_t clobbered = 0;

  const uint32_t strlenArgs[8] = {Address(text)};
  EXPECT_EQ(tumbex_test_CallPlanted(util::LookupImport("strlen"), strlenArgs,
                                    &clobbered), 5u);
  EXPECT_EQ(clobbered, 0u);

  const uint32_t memcpyArgs[8] = {Address(target), Address(text), 6};
  EXPECT_EQ(tumbex_test_CallPlanted(util::LookupImport("memcpy"), memcpyArgs,
                                    &clobbered), Address(target));
  EXPECT_EQ(clobbered, 0u);
  EXPECT_STREQ(target, "hello");

  const uint32_t mallocArgs[8] = {100};
  const uint32_t block = tumbex_test_CallPlanted(util::LookupImport("malloc"),
                                                 mallocArgs, &clobbered);
  EXPECT_EQ(clobbered, 0u);
  EXPECT_TRUE(rtl::HeapIsLive(Fn<void>(block)));
  const uint32_t freeArgs[8] = {block};
  tumbex_test_CallPlanted(util::LookupImport("free"), freeArgs, &clobbered);
  EXPECT_EQ(clobbered, 0u);

  char formatted[32];
  const uint32_t snprintfArgs[8] = {Address(formatted), sizeof formatted,
                                    Address("%d-%s"), 42, Address("x")};
  EXPECT_EQ(tumbex_test_CallPlanted(util::LookupImport("snprintf"), snprintfArgs,
                                    &clobbered), 4u);
  EXPECT_EQ(clobbered, 0u);
  EXPECT_STREQ(formatted, "42-x");

  EXPECT_EQ(tumbex_test_CallPlanted(util::LookupImport("__ctype_b_loc"), none,
                                    &clobbered),
            Address(Import<const uint16_t* const*()>("__ctype_b_loc")()));
  EXPECT_EQ(clobbered, 0u);
}

// ---- Ways out of the run ------------------------------------------------------------

// At-exit routines write their argument to standard error; the last one
// to run (registered first) ends the record.
void Record(void* argument) {
  std::fprintf(stderr, "<%d>", static_cast<int>(reinterpret_cast<intptr_t>(argument)));
  std::fflush(stderr);
}
void EndRecord(void*) {
  std::fprintf(stderr, "<end>\n");
  std::fflush(stderr);
}

void* Arg(int n) { return reinterpret_cast<void*>(intptr_t{n}); }

using AtExitFn = int(void (*)(void*), void*, void*);

void RegisterThree() {
  auto atexit = Import<AtExitFn>("__cxa_atexit");
  EXPECT_EQ(atexit(EndRecord, nullptr, nullptr), 0);
  atexit(Record, Arg(1), nullptr);
  atexit(Record, Arg(2), nullptr);
  atexit(Record, Arg(3), nullptr);
}

int gSeenOptind;

// The guest's main: checks what it receives, registers routines, and
// returns a code that says what it found.
int GuestMain(int32_t argc, char** argv, char** envp) {
  if (argc != 2 || std::strcmp(argv[1], "-q") != 0 || envp[0] == nullptr)
    return 100;
  // __libc_start_main handed the guest's optind over: the parser mirrors.
  char* args[] = {argv[0], argv[1], nullptr};
  Import<int(int, char**, const char*)>("getopt")(2, args, "q");
  if (gSeenOptind != 2) return 101;
  RegisterThree();
  return 5;
}

[[noreturn]] void StartInChild(const fs::path& out) {
  RedirectLoaderConsole(out);
  static char prog[] = "/bin/guest", quiet[] = "-q", env[] = "_=run";
  static char* argv[] = {prog, quiet, nullptr};
  static char* envp[] = {env, nullptr};
  process::GuestArgc = 2;
  process::GuestArgv = argv;
  process::GuestEnvp = envp;
  process::GuestOptindAddress = Address(&gSeenOptind);
  *Fn<int>(theint()[iface::kOptind]) = 0;
  Import<void(int (*)(int32_t, char**, char**), int, char**, void*, void*,
              void*, void*)>("__libc_start_main")(GuestMain, 0, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr);
  std::_Exit(99);
}

TEST_F(BindingTest, MainsReturnRunsTheAtExitRoutinesAndKeepsItsCode) {
  EXPECT_EXIT(StartInChild(TempPath("out")), testing::ExitedWithCode(5),
              "<3><2><1><end>");
}

[[noreturn]] void ExitInChild(const fs::path& out) {
  RedirectLoaderConsole(out);
  RegisterThree();
  Import<void(int)>("exit")(7);
  std::_Exit(99);
}

TEST_F(BindingTest, ExitRunsTheAtExitRoutinesAndKeepsItsStatus) {
  EXPECT_EXIT(ExitInChild(TempPath("out")), testing::ExitedWithCode(7),
              "^<3><2><1><end>\n$");
}

// A routine that calls exit: the rest still run, none twice.
void ExitAgain(void*) {
  std::fprintf(stderr, "<again>");
  Import<void(int)>("exit")(9);
}

[[noreturn]] void ExitFromARoutineInChild(const fs::path& out) {
  RedirectLoaderConsole(out);
  auto atexit = Import<AtExitFn>("__cxa_atexit");
  atexit(EndRecord, nullptr, nullptr);
  atexit(Record, Arg(1), nullptr);
  atexit(ExitAgain, nullptr, nullptr);
  atexit(Record, Arg(3), nullptr);
  Import<void(int)>("exit")(7);
  std::_Exit(99);
}

TEST_F(BindingTest, AnAtExitRoutineThatExitsDoesNotRunTwice) {
  EXPECT_EXIT(ExitFromARoutineInChild(TempPath("out")),
              testing::ExitedWithCode(9), "^<3><again><1><end>\n$");
}

[[noreturn]] void ErrorInChild(const fs::path& out) {
  RedirectLoaderConsole(out);
  NameTheProgram();
  RegisterThree();
  Import<int(int, int, const char*, ...)>("error")(4, 0, "fatal %s", "x");
  std::_Exit(99);
}

TEST_F(BindingTest, ErrorWithAStatusEndsTheRunLikeExit) {
  const fs::path out = TempPath("out");
  EXPECT_EXIT(ErrorInChild(out), testing::ExitedWithCode(4), "^prog: fatal x\n<3><2><1><end>");
  EXPECT_EQ(ReadFile(out), "");
}

// Standard output and error into one file, as 2>&1 gives (a file, so the
// guest's standard output buffers): the guest's lines, error()'s report
// and a line of the loader's each keep their place in what the guest did.
[[noreturn]] void InterleaveInChild(const fs::path& out) {
  const fs::path in = fs::path(out).concat(".in");
  WriteFile(in, "");
  std::fflush(stdout);
  if (!std::freopen(out.string().c_str(), "w", stdout)) std::_Exit(98);
  if (dup2(fileno(stdout), fileno(stderr)) < 0) std::_Exit(97);
  rtl::testing::RedirectConsole(platform::StdOutput(), false,
                                OpenForTest(in, linux::kOpenRead), platform::StdError());
  NameTheProgram();
  auto printf = Import<int(const char*, ...)>("printf");
  printf("guest 1\n");
  Import<int(int, int, const char*, ...)>("error")(0, 0, "report");
  printf("guest 2\n");
  tumbex_ReportUnknownCall("no_such_name");
  printf("guest 3\n");
  Import<void(int)>("exit")(0);
  std::_Exit(99);
}

TEST_F(BindingTest, GuestOutputAndLoaderLinesKeepTheirOrder) {
  const fs::path out = TempPath("out");
  EXPECT_EXIT(InterleaveInChild(out), testing::ExitedWithCode(0), "");
  EXPECT_EQ(Unix(ReadFile(out)),
            "guest 1\nprog: report\nguest 2\n"
            "Unknown/Unimplemented call \"no_such_name\"\nguest 3\n");
}

[[noreturn]] void AbortInChild(const fs::path& out) {
  RedirectLoaderConsole(out);
  RegisterThree();
  Import<void()>("abort")();
  std::_Exit(99);
}

// 134: what a shell shows for a process that SIGABRT ended.
TEST_F(BindingTest, AbortReportsAndEndsAsSigabrtWithoutTheRoutines) {
  const fs::path out = TempPath("out");
  EXPECT_EXIT(AbortInChild(out), testing::ExitedWithCode(134), "^$");
  EXPECT_EQ(Unix(ReadFile(out)), "\"Abort\" called?\n");
}

}  // namespace
