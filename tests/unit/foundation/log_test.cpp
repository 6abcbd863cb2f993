#include "corlink/foundation/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <vector>

#include "corlink/foundation/console.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/service_params.h"
#include "platform/windows_api.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

constexpr const char* kDebugKey = "SYSTEM\\CurrentControlSet\\Services\\corlink4\\Debug";
const std::regex kPrefix(
    R"(^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{2}, \d{4} \d{2}:\d{2}:\d{2}\.\d{3} \[\d{4,}\]: )");

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A log file under a fresh root, opened by OpenDebugFile and closed after the test.
class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        logPath = root.path() + "/corlink-debug.log";
        root.SetString(kDebugKey, "FileName", logPath);
    }
    void TearDown() override { CloseDebugFile(); }
    std::string Log() { return testsupport::ReadWholeFile(logPath); }
    long LogSize() {
        struct stat st {};
        return ::stat(logPath.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
    }

    testsupport::TestRoot root;
    std::string logPath;
};

TEST_F(LogFileTest, OpeningWritesTheBannerAndTheConfigurationBlock) {
    root.SetDword(kDebugKey, "MaxFileLength", 5000);
    root.SetDword(kDebugKey, "ToDebugger", 7);  // any non-zero value is stored as 1
    OpenDebugFile(nullptr);
    std::vector<std::string> lines = Lines(Log());
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[0], std::string(80, '#'));
    EXPECT_TRUE(std::regex_match(
        lines[1],
        std::regex(
            R"(# Debug file opened on [A-Z][a-z]{2} \d{2}, \d{4} \d{2}:\d{2}:\d{2}\.\d{3} \[PID=\d{4,}\]\.)")))
        << lines[1];
    const char* block[] = {"Current debug configuration:",
                           "    FileName=",
                           "    ToFile=1",
                           "    ToDebugger=1",
                           "    TimeStamp=1",
                           "    ForceFlush=1",
                           "    MaxFileLength=5000",
                           "    Options=0",
                           "    Name=",
                           "    Version="};
    for (size_t i = 0; i < std::size(block); ++i) {
        const std::string& line = lines[2 + i];
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, kPrefix)) << line;
        EXPECT_EQ(m.suffix().str().rfind(block[i], 0), 0u) << line;
    }
    EXPECT_NE(lines[3].find(logPath), std::string::npos);
}

TEST_F(LogFileTest, FragmentsWithoutALineFeedContinueTheLineUnderOnePrefix) {
    OpenDebugFile(nullptr);
    DebugPrint("first half, ");
    DebugPrint("second half\n");
    DebugPrint("line one\nline two\n");
    std::vector<std::string> lines = Lines(Log());
    ASSERT_GE(lines.size(), 3u);
    std::vector<std::string> tail(lines.end() - 3, lines.end());
    const char* expected[] = {"first half, second half", "line one", "line two"};
    for (int i = 0; i < 3; ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(tail[i], m, kPrefix)) << tail[i];
        EXPECT_EQ(m.suffix().str(), expected[i]);
    }
}

// A command run on another session's thread is logged under that session's thread. The prefix pads a
// thread id to four digits, so a low id (common on a freshly booted machine) is looked for padded.
TEST_F(LogFileTest, LinesLoggedOnBehalfOfAThreadNameIt) {
    OpenDebugFile(nullptr);
    {
        LogLinesOfThread asSession(42);
        DebugPrint("for the session\n");
    }
    DebugPrint("own\n");
    std::vector<std::string> lines = Lines(Log());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[lines.size() - 2].find("[0042]: for the session"), std::string::npos)
        << lines[lines.size() - 2];
    char own[32];
    std::snprintf(own, sizeof own, "[%04u]: own", static_cast<unsigned>(GetCurrentThreadId()));
    EXPECT_NE(lines.back().find(own), std::string::npos) << lines.back();
}

TEST_F(LogFileTest, SettingsAreReadAgainWithinAHundredCalls) {
    OpenDebugFile(nullptr);
    root.SetDword(kDebugKey, "TimeStamp", 0);
    for (int i = 0; i < 100; ++i) DebugPrint("line %d\n", i);
    DebugPrint("after the re-read\n");
    EXPECT_EQ(Lines(Log()).back(), "after the re-read");
    EXPECT_EQ(DebugConfig.TimeStamp, 0u);
}

TEST_F(LogFileTest, TheFileIsEmptiedOnceItPassesMaxFileLength) {
    root.SetDword(kDebugKey, "MaxFileLength", 1000);
    OpenDebugFile(nullptr);
    long previous = LogSize();
    bool truncated = false;
    for (int i = 0; i < 200 && !truncated; ++i) {
        DebugPrint("filler line %03d to grow the file\n", i);
        long size = LogSize();
        truncated = size < previous;
        previous = size;
    }
    ASSERT_TRUE(truncated);
    std::vector<std::string> lines = Lines(Log());
    ASSERT_FALSE(lines.empty());
    std::smatch m;
    ASSERT_TRUE(std::regex_search(lines[0], m, kPrefix));
    std::smatch length;
    const std::string rest = m.suffix().str();
    ASSERT_TRUE(std::regex_match(
        rest, length, std::regex(R"(Truncated debug file, length was (\d+), current PID = \d{4,})")))
        << lines[0];
    EXPECT_GT(std::stol(length[1]), 1000);
}

TEST_F(LogFileTest, LinesAreDroppedWhenToFileIsSwitchedOff) {
    OpenDebugFile(nullptr);
    DebuggerCapture debugger;
    root.SetDword(kDebugKey, "ToFile", 0);
    for (int i = 0; i < 100; ++i) DebugPrint("before %d\n", i);
    long size = LogSize();
    DebugPrint("dropped\n");
    EXPECT_EQ(LogSize(), size);
    EXPECT_EQ(debugger.Text().find("dropped"), std::string::npos);
}

TEST_F(LogFileTest, VerboseTransportStaysOnOnceSwitchedOn) {
    root.SetDword(kDebugKey, "Options", 0x20 | 0x40 | 0x3);
    OpenDebugFile(nullptr);
    EXPECT_TRUE(g_ScsiVerbose);
    EXPECT_TRUE(g_ResolveAllDiskNames);
    EXPECT_EQ(g_MultipathLogLevel, 3u);
    root.SetDword(kDebugKey, "Options", 0);
    for (int i = 0; i < 100; ++i) DebugPrint("x\n");
    EXPECT_TRUE(g_ScsiVerbose);
    EXPECT_FALSE(g_ResolveAllDiskNames);
    EXPECT_EQ(g_MultipathLogLevel, 0u);
}

TEST_F(LogFileTest, PauseOptionSleepsTenSecondsPerRead) {
    platform::ScopedVirtualClock clock;
    root.SetDword(kDebugKey, "Options", 0x10);
    OpenDebugFile(nullptr);
    EXPECT_EQ(clock->Sleeps(), std::vector<uint32_t>{10000});
}

TEST_F(LogFileTest, HexDumpLeavesOutFillRowsAndPadsThePartialRow) {
    root.SetDword(kDebugKey, "ToFile", 3);  // bit 0x2 switches the dumps on
    OpenDebugFile(nullptr);
    std::vector<uint8_t> data(16, 0xCD);
    for (int i = 0; i < 16; ++i) data.push_back(static_cast<uint8_t>('A' + i));
    data.insert(data.end(), {0x00, 0x00, 0x00});
    HexDump("title", data.data(), static_cast<uint32_t>(data.size()));
    std::string log = Log();
    size_t start = log.find("====== title ====== 35\n");
    ASSERT_NE(start, std::string::npos);
    std::string dump = log.substr(start);
    EXPECT_EQ(dump,
              "====== title ====== 35\n"
              "00000010 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 ABCDEFGHIJKLMNOP\n"
              "00000020 00 00 00 " +
                  std::string(13 * 3, ' ') +
                  "...\n"
                  "\n");
}

TEST(LogWithoutFileTest, EveryLineGoesToTheDebuggerOutput) {
    testsupport::TestRoot root;  // no registry key at all
    DebuggerCapture debugger;
    OpenDebugFile(nullptr);
    DebugPrint("to the debugger\n");
    EXPECT_NE(debugger.Text().find("to the debugger\n"), std::string::npos);
    EXPECT_EQ(debugger.Text().find("]: "), std::string::npos);  // the prefix goes to the file only
    ConsolePrint(7, "listed %d\n", 5);                          // no list capture: still logged
    EXPECT_NE(debugger.Text().find("listed 5\n"), std::string::npos);
    CloseDebugFile();
}

// The standard output's descriptor pointed at a file for one test (the stream's buffer stays the
// process's, as it is for the proxy's console).
class StdoutToFile {
  public:
    explicit StdoutToFile(const std::string& path) : path_(path) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        FILE* file = std::fopen(path.c_str(), "w");
        ::dup2(::fileno(file), STDOUT_FILENO);
        std::fclose(file);
    }
    ~StdoutToFile() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    std::string Written() { return testsupport::ReadWholeFile(path_); }

  private:
    std::string path_;
    int saved_;
};

// A command's console lines, the echo and those written to the console, leave together when the outermost
// deferral ends, in the order they were printed.
TEST(ConsoleEchoTest, LinesUnderADeferralLeaveInOrderWhenTheOutermostEnds) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "a terminal's standard output is flushed at every line";
    testsupport::TestRoot root;
    DebuggerCapture debugger;
    OpenDebugFile(nullptr);
    g_DebugConsole = true;
    {
        StdoutToFile out(root.path() + "/console.txt");
        {
            ConsoleFlushDeferral command;
            DebugPrint("first\n");
            ConsoleWrite("direct\n");
            {
                ConsoleFlushDeferral inner;
                DebugPrint("second\n");
            }
            EXPECT_EQ(out.Written(), "");
        }
        EXPECT_EQ(out.Written(), "first\ndirect\nsecond\n");
        DebugPrint("alone\n");
        EXPECT_EQ(out.Written(), "first\ndirect\nsecond\nalone\n");
    }
    g_DebugConsole = false;
    EXPECT_NE(debugger.Text().find("first\nsecond\nalone\n"), std::string::npos);  // the log as before
    CloseDebugFile();
}

}  // namespace
