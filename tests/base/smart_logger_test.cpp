#include "base/smart_logger.h"

#include <windows.h>
#include <winioctl.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace testing_support;

namespace {

const char kStamp[] = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} )";

std::string BannerPattern() {
    return std::string(R"(\r\r\n================== Start Log:)") + kStamp + R"( ==================\r\n)";
}

std::string LinePattern(const std::string& message) { return std::string(kStamp) + message + R"(\r\n)"; }

bool Matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

// Makes a file of the given size without writing its data (sparse where the
// file system allows).
bool MakeFileOfSize(const std::wstring& path, LONGLONG size) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER position;
    position.QuadPart = size;
    bool ok = ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    return ok;
}

class SmartLoggerTest : public ::testing::Test {
protected:
    ScopedTempDir dir{L"log"};
    std::wstring path = dir.Join(L"test.log");
};

TEST_F(SmartLoggerTest, FirstWriteOfAProcessStartsWithTheBannerThenOnlyLines) {
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    logger.AddLine(L"first");
    EXPECT_EQ(1, logger.Flush());
    logger.AddLine(L"second");
    EXPECT_EQ(1, logger.Flush());

    // Line feeds reach the disk as CR LF; the banner's own "\r\n" start
    // therefore becomes CR CR LF.
    EXPECT_TRUE(Matches(ReadFileBytes(path), BannerPattern() + LinePattern("first") + LinePattern("second")))
        << ReadFileBytes(path);
}

TEST_F(SmartLoggerTest, EachProcessAppendsWithItsOwnBanner) {
    {
        CSmartLogger firstStage;
        firstStage.SetLogFile(path.c_str());
        firstStage.AddLine(L"first stage");
        firstStage.Flush();
    }
    CSmartLogger secondStage;
    secondStage.SetLogFile(path.c_str());
    secondStage.AddLine(L"second stage");
    secondStage.Flush();

    EXPECT_TRUE(Matches(ReadFileBytes(path), BannerPattern() + LinePattern("first stage") + BannerPattern() +
                                                 LinePattern("second stage")))
        << ReadFileBytes(path);
}

TEST_F(SmartLoggerTest, AMessageEndingInALineFeedGetsNoSecondOne) {
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    logger.AddLine(L"ends here\n");
    logger.Flush();
    EXPECT_TRUE(Matches(ReadFileBytes(path), BannerPattern() + LinePattern("ends here"))) << ReadFileBytes(path);
}

TEST_F(SmartLoggerTest, ChineseTextIsStoredInCodePage936) {
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    logger.AddLine(L"\u5378\u8f7d\u5b8c\u6210");  // 卸载完成
    logger.Flush();
    std::string bytes = ReadFileBytes(path);
    EXPECT_NE(std::string::npos, bytes.find("\xd0\xb6\xd4\xd8\xcd\xea\xb3\xc9\r\n")) << bytes;
}

TEST_F(SmartLoggerTest, NothingIsWrittenBeforeThePathIsSetAndQueuedLinesWait) {
    CSmartLogger logger;
    EXPECT_EQ(1, logger.AddLine(L"early one"));
    EXPECT_EQ(2, logger.AddLine(L"early two"));
    EXPECT_EQ(0, logger.Flush());
    logger.SetLogFile(path.c_str());
    EXPECT_EQ(1, logger.Flush());
    EXPECT_TRUE(Matches(ReadFileBytes(path), BannerPattern() + LinePattern("early one") + LinePattern("early two")))
        << ReadFileBytes(path);
}

TEST_F(SmartLoggerTest, MoreThanAHundredPendingLinesAreWrittenAtOnce) {
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    for (int i = 0; i < 100; ++i) logger.AddLine(L"queued");
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(0, logger.AddLine(L"the 101st"));
    std::string bytes = ReadFileBytes(path);
    EXPECT_NE(std::string::npos, bytes.find("the 101st\r\n"));
}

TEST_F(SmartLoggerTest, AFolderThatCannotBeCreatedLosesTheLineQuietly) {
    // A file stands where the log's folder would have to be.
    ASSERT_TRUE(WriteFileBytes(dir.Join(L"blocker"), "x"));
    std::wstring unreachable = dir.Join(L"blocker\\sub\\test.log");
    CSmartLogger logger;
    logger.SetLogFile(unreachable.c_str());
    logger.AddLine(L"lost");
    EXPECT_EQ(0, logger.Flush());
    EXPECT_FALSE(FileExists(unreachable));
    EXPECT_EQ(1, logger.AddLine(L"next")) << "the lost line must not stay pending";
}

TEST_F(SmartLoggerTest, MissingFoldersOfTheLogAreCreated) {
    std::wstring deep = dir.Join(L"a\\b\\c\\test.log");
    CSmartLogger logger;
    logger.SetLogFile(deep.c_str());
    logger.AddLine(L"deep");
    EXPECT_EQ(1, logger.Flush());
    EXPECT_NE(std::string::npos, ReadFileBytes(deep).find("deep\r\n"));
}

struct ExistingLogCase {
    const char* name;
    LONGLONG size;
    bool deleted;
};

class SmartLoggerExistingFileTest : public SmartLoggerTest, public ::testing::WithParamInterface<ExistingLogCase> {};

TEST_P(SmartLoggerExistingFileTest, SetLogFileDeletesOnlyAnOversizedLog) {
    const ExistingLogCase& c = GetParam();
    ASSERT_TRUE(MakeFileOfSize(path, c.size));
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    if (c.deleted) {
        EXPECT_FALSE(FileExists(path));
    } else {
        EXPECT_EQ(c.size, FileSize(path));
        logger.AddLine(L"appended");
        logger.Flush();
        EXPECT_GT(FileSize(path), c.size) << "the existing log is appended to";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SmartLoggerExistingFileTest,
                         ::testing::Values(ExistingLogCase{"small", 5, false},
                                           ExistingLogCase{"exactly1GiB", CSmartLogger::kMaxFileBytes, false},
                                           ExistingLogCase{"over1GiB", CSmartLogger::kMaxFileBytes + 1, true}),
                         [](const ::testing::TestParamInfo<ExistingLogCase>& info) { return info.param.name; });

TEST_F(SmartLoggerTest, AnExistingSmallLogKeepsItsContent) {
    ASSERT_TRUE(WriteFileBytes(path, "old line\r\n"));
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    logger.AddLine(L"new line");
    logger.Flush();
    EXPECT_TRUE(Matches(ReadFileBytes(path), "old line\\r\\n" + BannerPattern() + LinePattern("new line")));
}

TEST_F(SmartLoggerTest, LinesOfConcurrentThreadsAreWrittenWhole) {
    CSmartLogger logger;
    logger.SetLogFile(path.c_str());
    const int threads = 4, lines = 50;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&logger, t] {
            std::wstring message = L"thread " + std::to_wstring(t) + L" " + std::wstring(100, L'a' + t);
            for (int i = 0; i < lines; ++i) {
                logger.AddLine(message.c_str());
                logger.Flush();
            }
        });
    }
    for (std::thread& worker : workers) worker.join();

    std::string bytes = ReadFileBytes(path);
    std::regex line(std::string(kStamp) + R"(thread (\d) ([a-z]{100})\r\n)");
    int count = 0;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), line); it != std::sregex_iterator(); ++it) {
        int t = std::stoi((*it)[1].str());
        EXPECT_EQ(std::string(100, static_cast<char>('a' + t)), (*it)[2].str());
        ++count;
    }
    EXPECT_EQ(threads * lines, count);
}

// WriteLog goes through the process's logger.
class WriteLogTest : public SmartLoggerTest {
protected:
    void SetUp() override { g_SmartLogger.SetLogFile(path.c_str()); }
    void TearDown() override { g_SmartLogger.SetLogFile(L""); }
};

TEST_F(WriteLogTest, MessagesUpTo511CharactersAreLoggedLongerOnesDropped) {
    std::wstring fits(511, L'x');
    std::wstring tooLong(512, L'y');
    WriteLog(L"%s", fits.c_str());
    LONGLONG sizeAfterFit = FileSize(path);
    WriteLog(L"%s", tooLong.c_str());
    WriteLog(L"%d%s", 7, std::wstring(510, L'z').c_str());  // 511 after formatting
    WriteLog(L"%d%s", 7, std::wstring(511, L'w').c_str());  // 512 after formatting

    std::string bytes = ReadFileBytes(path);
    EXPECT_NE(std::string::npos, bytes.find(" " + std::string(511, 'x') + "\r\n"));
    EXPECT_EQ(std::string::npos, bytes.find('y'));
    EXPECT_NE(std::string::npos, bytes.find(" 7" + std::string(510, 'z') + "\r\n"));
    EXPECT_EQ(std::string::npos, bytes.find('w'));
    EXPECT_GT(sizeAfterFit, 511);
}

TEST_F(WriteLogTest, PercentSignsInTheFormattedMessageAreWrittenAsTheyAre) {
    WriteLog(L"path=%s", L"C:\\100%\\%s%d%%n");
    EXPECT_NE(std::string::npos, ReadFileBytes(path).find(" path=C:\\100%\\%s%d%%n\r\n")) << ReadFileBytes(path);
}

TEST_F(WriteLogTest, WideStringsAndNumbersFormatWithTheWidePrintfConventions) {
    WriteLog(L"pre init check failed, ret = %d, path [%s], code %lu", -3, L"C:\\\u5378\u8f7d", 4000000000UL);
    EXPECT_NE(std::string::npos,
              ReadFileBytes(path).find(" pre init check failed, ret = -3, path [C:\\\xd0\xb6\xd4\xd8], code 4000000000\r\n"))
        << ReadFileBytes(path);
}

TEST_F(WriteLogTest, AnUnwritableLogLeavesWriteLogReturningNormally) {
    ASSERT_TRUE(WriteFileBytes(dir.Join(L"blocker"), "x"));
    std::wstring unreachable = dir.Join(L"blocker\\log\\test.log");
    g_SmartLogger.SetLogFile(unreachable.c_str());
    WriteLog(L"lost %d", 1);
    WriteLog(L"lost %d", 2);
    EXPECT_FALSE(FileExists(unreachable));
}

}  // namespace
