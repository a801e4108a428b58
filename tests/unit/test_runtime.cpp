// The run-time support: the console writer's buffering rule, the shared
// line reader, the error texts and the report that ends a run before the
// trap exists, file objects, and the platform's file calls beneath them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "abi/errno.h"
#include "platform/console.h"
#include "platform/files.h"
#include "runtime/rtl.h"

namespace {

using platform::Handle;

std::string Slurp(const char* path) {
  std::string text;
  if (FILE* f = std::fopen(path, "rb")) {
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) != 0) text.append(chunk, n);
    std::fclose(f);
  }
  return text;
}

void Spill(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

Handle Create(const char* path) {
  Handle h = platform::kInvalidHandle;
  EXPECT_EQ(platform::FileOpen(path,
                               linux::kOpenRead | linux::kOpenWrite |
                                   linux::kOpenCreate | linux::kOpenTruncate,
                               0666, &h),
            0u);
  return h;
}

Handle OpenForReading(const char* path) {
  Handle h = platform::kInvalidHandle;
  EXPECT_EQ(platform::FileOpen(path, linux::kOpenRead, 0, &h), 0u);
  return h;
}

// Points the console writer and reader at files, and back afterwards.
class Console : public ::testing::Test {
 protected:
  static constexpr const char* kOut = "rtl_test_out.tmp";
  static constexpr const char* kIn = "rtl_test_in.tmp";

  void Redirect(bool isConsole, const std::string& input = {}) {
    Spill(kIn, input);
    out_ = Create(kOut);
    in_ = OpenForReading(kIn);
    rtl::testing::RedirectConsole(out_, isConsole, in_);
  }
  std::string Output() { return Slurp(kOut); }

  // The binding's start-up, run by other tests of this process, sets a hook.
  void SetUp() override { rtl::SetBeforeWriteHook(nullptr); }

  void TearDown() override {
    rtl::SetBeforeWriteHook(nullptr);
    rtl::testing::RedirectConsole(platform::StdOutput(),
                                  platform::IsConsole(platform::StdOutput()),
                                  platform::StdInput());
    if (out_ != platform::kInvalidHandle) platform::FileClose(out_);
    if (in_ != platform::kInvalidHandle) platform::FileClose(in_);
    std::remove(kOut);
    std::remove(kIn);
  }

  Handle out_ = platform::kInvalidHandle;
  Handle in_ = platform::kInvalidHandle;
};

// ---- Console writer -----------------------------------------------------------

TEST_F(Console, NotAConsoleCollects128BytesBeforeWriting) {
  Redirect(false);
  rtl::Write(std::string(127, 'a'));
  EXPECT_EQ(Output().size(), 0u);
  rtl::Write("bc");
  EXPECT_EQ(Output(), std::string(127, 'a') + "b");
  rtl::Write(std::string(200, 'd'));  // spans a full buffer
  EXPECT_EQ(Output().size(), 256u);
  rtl::Flush();
  EXPECT_EQ(Output(), std::string(127, 'a') + "bc" + std::string(200, 'd'));
}

TEST_F(Console, AConsoleGetsEveryWriteAtOnce) {
  Redirect(true);
  rtl::Write("x");
  EXPECT_EQ(Output(), "x");
  rtl::WriteLine("yz");
  EXPECT_EQ(Output(), "xyz" + std::string(platform::LineEnd()));
}

int g_hookCalls = 0;
void CountHook() { ++g_hookCalls; }

TEST_F(Console, GuestBytesGoOutUnchangedAfterPendingTextAndWithoutTheHook) {
  Redirect(false);
  rtl::SetBeforeWriteHook(CountHook);
  g_hookCalls = 0;
  rtl::WriteLine("loader");
  EXPECT_GE(g_hookCalls, 1);
  const int afterLoaderText = g_hookCalls;
  rtl::WriteGuestBytes("a\nb", 3);
  EXPECT_EQ(g_hookCalls, afterLoaderText);
  EXPECT_EQ(Output(), "loader" + std::string(platform::LineEnd()) + "a\nb");
}

// The hook stands for the guest's stream buffers being written out: text
// the loader held from before must reach the output ahead of them.
Handle g_hookOut = platform::kInvalidHandle;
void GuestStreamHook() {
  uint32_t done = 0;
  platform::FileWrite(g_hookOut, "<guest>", 7, &done);
}

TEST_F(Console, HeldTextGoesOutBeforeTheGuestStreams) {
  Redirect(false);
  g_hookOut = out_;
  rtl::SetBeforeWriteHook(GuestStreamHook);
  rtl::Write("first");
  rtl::Write("second");
  rtl::Flush();
  EXPECT_EQ(Output(), "<guest>first<guest>second");
}

// ---- Report lines -----------------------------------------------------------------

// Not a console: the line goes to the error handle at once and standard
// output gets none of it. A console: the writer's own line.
TEST_F(Console, ReportLinesLeaveAnOutputThatIsNoConsole) {
  constexpr const char* kErr = "rtl_test_err.tmp";
  const std::string end(platform::LineEnd());
  Redirect(false);
  const Handle err = Create(kErr);
  rtl::testing::RedirectConsole(out_, false, in_, err);
  rtl::ReportLine("report");
  rtl::ReportLine();
  EXPECT_EQ(Slurp(kErr), "report" + end + end);
  rtl::Flush();
  EXPECT_EQ(Output(), "");

  rtl::testing::RedirectConsole(out_, true, in_, err);
  rtl::ReportLine("on the console");
  EXPECT_EQ(Output(), "on the console" + end);
  EXPECT_EQ(Slurp(kErr), "report" + end + end);
  platform::FileClose(err);
  std::remove(kErr);
}

// Standard error and output into one file: what the writer held, then what
// the guest's streams held (the hook), then the line.
TEST_F(Console, AReportLineComesAfterEverythingWrittenBeforeIt) {
  Redirect(false);
  rtl::testing::RedirectConsole(out_, false, in_, out_);
  g_hookOut = out_;
  rtl::SetBeforeWriteHook(GuestStreamHook);
  rtl::Write("held");
  rtl::ReportLine("report");
  EXPECT_EQ(Output(), "<guest>held<guest>report" + std::string(platform::LineEnd()));
}

// ---- Line reader ------------------------------------------------------------------

std::string ReadSome(int32_t count) {
  char buffer[8192];
  const int32_t n = rtl::ReadConsole(buffer, count);
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST_F(Console, ReadConsoleStopsAtALineEndAndKeepsTheRest) {
  Redirect(false, "ab\r\ncd\nlone\rcr\nlast");
  EXPECT_EQ(ReadSome(100), "ab\n");  // CR LF arrives as one LF
  EXPECT_EQ(ReadSome(1), "c");
  EXPECT_EQ(ReadSome(100), "d\n");
  EXPECT_EQ(ReadSome(100), "lone\rcr\n");  // a CR of its own is data
  EXPECT_EQ(ReadSome(0), "");
  EXPECT_EQ(ReadSome(-5), "");
  EXPECT_EQ(ReadSome(100), "last");
  EXPECT_EQ(ReadSome(100), "");  // end of input
  EXPECT_FALSE(rtl::ReadLine());
}

TEST_F(Console, ACarriageReturnAtTheEndOfAChunkWaitsForItsFollower) {
  // The reader's host reads come in 4096-byte chunks: the CR ends the first.
  Redirect(false, std::string(4095, 'x') + "\r\nz\r");
  EXPECT_EQ(ReadSome(8192), std::string(4095, 'x'));
  EXPECT_EQ(ReadSome(8192), "\n");
  EXPECT_EQ(ReadSome(8192), "z");
  EXPECT_EQ(ReadSome(8192), "\r");  // nothing follows: it is data
  EXPECT_EQ(ReadSome(8192), "");
}

TEST_F(Console, ReadLineDiscardsThePendingRestOfALine) {
  Redirect(false, "first line\nsecond\nthird");
  EXPECT_EQ(ReadSome(3), "fir");
  EXPECT_TRUE(rtl::ReadLine());  // the rest of "first line"
  EXPECT_EQ(ReadSome(100), "second\n");
  EXPECT_TRUE(rtl::ReadLine());  // "third", cut short by the end of input
  EXPECT_FALSE(rtl::ReadLine());
  EXPECT_EQ(ReadSome(100), "");
}

TEST_F(Console, ReadLineAtTheEndOfInputReturnsAtOnce) {
  Redirect(false, "");
  EXPECT_FALSE(rtl::ReadLine());
}

// A file (or pipe) on standard input is the next command's: the pause
// leaves every byte of it, also the rest of a line the guest began.
TEST_F(Console, ThePauseReadsNothingThatIsNoConsole) {
  Redirect(false, "first\nsecond\n");
  rtl::Pause();
  EXPECT_EQ(ReadSome(2), "fi");
  rtl::Pause();
  EXPECT_EQ(ReadSome(100), "rst\n");
}

// ---- Errors -----------------------------------------------------------------------

TEST(RuntimeErrors, IoMessages) {
  struct Row {
    uint32_t code;
    const char* text;
  };
  constexpr Row kRows[] = {
      {2, "File not found"},       {3, "Invalid filename"},
      {4, "Too many open files"},  {5, "File access denied"},
      {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"},   {6, "I/O error 6"},
      {32, "I/O error 32"},
  };
  for (const Row& row : kRows) EXPECT_EQ(rtl::IoMessage(row.code), row.text) << row.code;
}

TEST(RuntimeErrors, ReportText) {
  const std::string end(platform::LineEnd());
  EXPECT_EQ(rtl::FormatReport("EInOutError", "tumbex.exe", 0x1A2F, "File not found"),
            "Exception EInOutError in module tumbex.exe at 00001A2F." + end +
                "File not found." + end);
  // A message with its own period gets no second one.
  EXPECT_EQ(rtl::FormatReport("EOutOfMemory", "tumbex", 0xDEADBEEF, "Done."),
            "Exception EOutOfMemory in module tumbex at DEADBEEF." + end + "Done." + end);
}

constexpr const char* kPendingOut = "rtl_test_pending.tmp";

void FailWithPendingText() {
  Handle out = Create(kPendingOut);
  rtl::testing::RedirectConsole(out, false, platform::StdInput());
  rtl::Write("pending text");
  rtl::RaiseIoError(5);
}

TEST(RuntimeErrors, BeforeTheTrapAnIoErrorIsReportedOnStandardErrorAndEndsTheRun) {
  EXPECT_EXIT(FailWithPendingText(), ::testing::ExitedWithCode(1),
              "^Exception EInOutError in module unit_tests.* at .*\\.");
  EXPECT_EQ(Slurp(kPendingOut), "pending text");  // written out first
  EXPECT_EXIT(FailWithPendingText(), ::testing::ExitedWithCode(1), "File access denied\\.");
  EXPECT_EXIT(rtl::IoCheck(106), ::testing::ExitedWithCode(1), "Invalid numeric input\\.");
  EXPECT_EXIT(rtl::RaiseOutOfMemory(), ::testing::ExitedWithCode(1),
              "Exception EOutOfMemory in module");
  std::remove(kPendingOut);
}

TEST(RuntimeErrors, IoCheckOfZeroIsQuiet) { rtl::IoCheck(0); }

uint32_t g_written = 0;
void WriteDigit1() { platform::FileWrite(platform::StdError(), "1", 1, &g_written); }
void WriteDigit2() { platform::FileWrite(platform::StdError(), "2", 1, &g_written); }

void HaltWithFinalisers() {
  rtl::AddFinaliser(WriteDigit1);
  rtl::AddFinaliser(WriteDigit2);
  rtl::Halt(7);
}

TEST(RuntimeShutdown, HaltRunsFinalisersInReverseOrder) {
  EXPECT_EXIT(HaltWithFinalisers(), ::testing::ExitedWithCode(7), "^21$");
}

// ---- File objects and the platform's files ------------------------------------------

constexpr const char* kData = "rtl_test_file.tmp";

TEST(RuntimeFiles, WriteSeekReadRoundTrip) {
  {
    rtl::File f(kData);
    f.Rewrite();
    f.Write("hello world", 11);
    EXPECT_EQ(f.Position(), 11);
    EXPECT_EQ(f.Size(), 11);
    f.Seek(6);
    char got[5];
    EXPECT_EQ(f.Read(got, 5), 5u);
    EXPECT_EQ(std::string(got, 5), "world");
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    f.OpenExisting(false);
    EXPECT_EQ(f.Size(), 11);
  }  // closed by its destructor
  EXPECT_EQ(Slurp(kData), "hello world");
  std::remove(kData);
}

void ReadPastTheEnd() {
  Spill(kData, "abc");
  rtl::File f(kData);
  f.OpenExisting(false);
  char got[4];
  f.Read(got, 4);
}

void OpenMissing() {
  rtl::File f("rtl_test_no_such_file.tmp");
  f.OpenExisting(true);
}

TEST(RuntimeFiles, FailuresRaiseTheIoError) {
  EXPECT_EXIT(ReadPastTheEnd(), ::testing::ExitedWithCode(1), "Read beyond end of file\\.");
  EXPECT_EXIT(OpenMissing(), ::testing::ExitedWithCode(1), "File not found\\.");
  std::remove(kData);
}

TEST(PlatformFiles, OpenErrorsSpeakLinux) {
  Spill(kData, "x");
  Handle h = platform::kInvalidHandle;
  EXPECT_EQ(platform::FileOpen("rtl_test_no_such_file.tmp", linux::kOpenRead, 0, &h),
            linux::kENOENT);
  EXPECT_EQ(h, platform::kInvalidHandle);
  EXPECT_EQ(platform::FileOpen(kData,
                               linux::kOpenWrite | linux::kOpenCreate |
                                   linux::kOpenExclusive,
                               0666, &h),
            linux::kEEXIST);
  // A directory is not a file, on every port.
  EXPECT_EQ(platform::FileOpen(".", linux::kOpenRead, 0, &h), linux::kEACCES);
  EXPECT_TRUE(platform::DirectoryExists("."));
  EXPECT_FALSE(platform::FileExists("."));
  EXPECT_TRUE(platform::FileExists(kData));
  EXPECT_FALSE(platform::DirectoryExists(kData));
  EXPECT_FALSE(platform::FileExists("rtl_test_no_such_file.tmp"));
  std::remove(kData);
}

TEST(PlatformFiles, AppendWritesAtTheEndAndTruncateCuts) {
  Spill(kData, "old");
  Handle h = platform::kInvalidHandle;
  ASSERT_EQ(platform::FileOpen(kData, linux::kOpenWrite | linux::kOpenAppend, 0, &h), 0u);
  uint32_t done = 0;
  EXPECT_EQ(platform::FileSeek(h, 0, 0, nullptr), 0u);
  EXPECT_EQ(platform::FileWrite(h, "new", 3, &done), 0u);
  EXPECT_EQ(done, 3u);
  platform::FileClose(h);
  EXPECT_EQ(Slurp(kData), "oldnew");

  ASSERT_EQ(platform::FileOpen(kData,
                               linux::kOpenWrite | linux::kOpenAppend |
                                   linux::kOpenTruncate,
                               0, &h),
            0u);
  EXPECT_EQ(platform::FileWrite(h, "cut", 3, &done), 0u);
  platform::FileClose(h);
  EXPECT_EQ(Slurp(kData), "cut");

  ASSERT_EQ(platform::FileOpen(kData, linux::kOpenRead, 0, &h), 0u);
  int64_t position = 0;
  EXPECT_EQ(platform::FileSeek(h, -1, 2, &position), 0u);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(platform::FileSeek(h, -10, 1, &position), linux::kEINVAL);
  char c = 0;
  EXPECT_EQ(platform::FileRead(h, &c, 1, &done), 0u);
  EXPECT_EQ(c, 't');
  EXPECT_EQ(platform::FileRead(h, &c, 1, &done), 0u);
  EXPECT_EQ(done, 0u);  // end of file
  platform::FileClose(h);
  std::remove(kData);
}

}  // namespace
