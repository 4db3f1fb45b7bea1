#include "app/Log.h"
#include "platform/Files.h"
#include "support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <thread>

namespace {

// Opens a fresh log in a temporary folder and closes it at the end of the test.
class LogFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LogOpen(m_Dir.File("t.log")), 1); }
    void TearDown() override { LogClose(); }
    std::string Contents() {
        LogClose();
        return m_Dir.Read("t.log");
    }
    TempDir m_Dir;
};

std::string CaptureConsole(const std::function<void()>& body) {
    char* data = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&data, &size);
    LogSetConsoleStream(stream, true);
    ConsoleOpen();
    body();
    ConsoleClose();
    LogSetConsoleStream(stderr, false);
    fclose(stream);
    std::string text(data, size);
    free(data);
    return text;
}

} // namespace

TEST_F(LogFile, HeaderNamesTheBuildAndTheSystem) {
    const std::string log = Contents();
    const std::regex header(
        R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] Logging started\.\n)"
        R"(\[[^\]]+\] Tessarine 0\.6b NIGHT build #394 \(Jan  7 2014 07:51:52\)\n)"
        R"(\[[^\]]+\] ={60}\n)"
        R"(\[[^\]]+\] Command line: .*tessarine_tests.*\n)"
        R"(\[[^\]]+\] OS Version: Windows NT \d+\.\d+ Build \d+ Linux .*\n)"
        R"(\[[^\]]+\] Computer name: .*\n)"
        R"(\[[^\]]+\] Compiled with MSC v\d+\.\d\d \(\d+\) WINVER = 0x[0-9a-f]{4}\n)"
        R"(\[[^\]]+\] Running using MFC v06\.\d\d\n)"
        R"(\[[^\]]+\] -{60}\n$)");
    EXPECT_TRUE(std::regex_match(log, header)) << log;
}

TEST_F(LogFile, MessagesWithoutLineEndContinueTheLine) {
    LogPrintA("first part, ");
    LogPrint(L"second %ls and %s %d\n", L"wide", "narrow \xC3\xA9", 7);
    LogPrintA("%s", "");
    LogPrintA("tail\n");
    const std::string log = Contents();
    EXPECT_TRUE(std::regex_search(
        log, std::regex(R"(\nfirst part, \[[^\]]+\] second wide and narrow \xC3\xA9 7\n)")))
        << log;
    // An empty message is no line end: the next message continues without a stamp... of
    // its own before the one its line end brings.
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(\n\[[^\]]+\] tail\n$)"))) << log;
}

TEST_F(LogFile, LongMessagesAreCutAt511Characters) {
    LogPrintA("%s\n", std::string(600, 'a').c_str());
    LogPrint(L"%ls\n", std::wstring(600, L'\u00e9').c_str());
    LogPrintA("next\n");
    const std::string log = Contents();
    // The cut removes the line end, so the next message continues the same file line.
    EXPECT_NE(log.find(std::string(511, 'a') + "\xC3\xA9"), std::string::npos);
    EXPECT_EQ(log.find(std::string(512, 'a')), std::string::npos);
    std::string e511;
    for (int i = 0; i < 511; ++i)
        e511 += "\xC3\xA9";
    EXPECT_NE(log.find(e511 + "["), std::string::npos);
    EXPECT_EQ(log.find(e511 + "\xC3\xA9"), std::string::npos);
}

TEST_F(LogFile, EveryHundredAndSecondMessageFlushes) {
    // The header wrote 9 messages. Counting from a fresh close/open keeps this exact.
    LogClose();
    ASSERT_EQ(LogOpen(m_Dir.File("t.log")), 1);
    const auto sizeOnDisk = [this] { return Files::FileSize(m_Dir.File("t.log")); };
    // 9 header messages were written by LogOpen; 92 more make 101, which stay buffered.
    for (int i = 0; i < 92; ++i)
        LogPrintA("m\n");
    EXPECT_EQ(sizeOnDisk(), 0);
    LogPrintA("m\n"); // the 102nd message
    const int64_t afterFirst = sizeOnDisk();
    EXPECT_GT(afterFirst, 0);
    for (int i = 0; i < 101; ++i)
        LogPrintA("m\n");
    EXPECT_EQ(sizeOnDisk(), afterFirst);
    LogPrintA("m\n"); // the 204th
    EXPECT_GT(sizeOnDisk(), afterFirst);
}

TEST_F(LogFile, ConcurrentMessagesStayWhole) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i)
                LogPrintA("worker %d message %d %s\n", t, i, std::string(40, 'x').c_str());
        });
    for (auto& thread : threads)
        thread.join();
    const std::string log = Contents();
    int lines = 0;
    const std::regex line(R"(\[[^\]]+\] worker \d message \d+ x{40})");
    std::istringstream in(log);
    for (std::string l; std::getline(in, l);)
        if (l.find("worker") != std::string::npos) {
            EXPECT_TRUE(std::regex_match(l, line)) << l;
            ++lines;
        }
    EXPECT_EQ(lines, 2000);
}

TEST_F(LogFile, SystemInfoForTheConsoleOnlySkipsTheFile) {
    const std::string console = CaptureConsole([] { LogSystemInfo(false); });
    EXPECT_NE(console.find("Computer name: "), std::string::npos);
    const std::string log = Contents();
    EXPECT_EQ(log.find("Computer name: "), log.rfind("Computer name: ")); // the header's only
}

TEST(LogConsole, ColoursFollowTheMarks) {
    EXPECT_EQ(LogConsoleColour("CDlgMain: -- Loading\n"), 10);
    EXPECT_EQ(LogConsoleColour("--Phase\n"), 4);
    EXPECT_EQ(LogConsoleColour("PLUGIN:  - step\n"), 8);
    EXPECT_EQ(LogConsoleColour("PLUGIN:   - sub step\n"), 8);
    EXPECT_EQ(LogConsoleColour("ERROR: bad: -- x\n"), 12);
    EXPECT_EQ(LogConsoleColour("plain\n"), 7);
}

TEST(LogConsole, EveryMessageGetsAGreyStampThenItsColour) {
    const std::string out = CaptureConsole([] {
        LogPrintA("X: -- green ");
        LogPrintA("ERROR: red\n");
    });
    EXPECT_TRUE(std::regex_search(
        out, std::regex("\033\\[90m\\[\\d\\d:\\d\\d:\\d\\d\\] \033\\[92mX: -- green "
                        "\033\\[90m\\[\\d\\d:\\d\\d:\\d\\d\\] \033\\[91mERROR: red\n")))
        << out;
    EXPECT_NE(out.find("Console logging started. (Tessarine 0.6b NIGHT)\n"), std::string::npos);
    EXPECT_NE(out.find("Console logging ended. (Tessarine 0.6b NIGHT)\n"), std::string::npos);
    EXPECT_FALSE(IsConsoleOpen());
}

TEST_F(LogFile, UnformattableMessagesBecomeFailedMarks) {
    LogPrint(L"bad %s\n", "\xFF\xFE"); // not UTF-8: the wide conversion cannot take it
    LogPrintA("after\n");
    const std::string log = Contents();
    EXPECT_NE(log.find("\n[failed]["), std::string::npos) << log;
    EXPECT_EQ(log.find("bad "), std::string::npos);
}
