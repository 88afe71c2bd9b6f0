// The built Uninstall.exe as a user meets it: laid out in a product folder
// and started there.
#include <windows.h>

#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace testing_support;

namespace {

const char kStamp[] = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} )";

std::wstring LogPath() { return TempDir() + L"\\vorud_uninst.log"; }

class UninstallProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        productDir = L"C:\\vorud-e2e\\VelaWallPaper";
        DeleteTree(L"C:\\vorud-e2e");
        ::CreateDirectoryW(L"C:\\vorud-e2e", nullptr);
        ASSERT_TRUE(CopyTree(ExeDir() + L"\\product", productDir));
        ASSERT_TRUE(FileExists(productDir + L"\\Uninstall.exe"));
        ASSERT_TRUE(FileExists(productDir + L"\\Utils\\7z.dll"));
        ::DeleteFileW(LogPath().c_str());
    }
    void TearDown() override { DeleteTree(L"C:\\vorud-e2e"); }

    long Run(const std::wstring& arguments) {
        return RunProcess(productDir + L"\\Uninstall.exe", arguments, productDir, 60000);
    }

    std::wstring productDir;
};

struct TailCase {
    const char* name;
    const wchar_t* tail;
};

class UninstallExitCodeTest : public UninstallProcessTest, public ::testing::WithParamInterface<TailCase> {};

TEST_P(UninstallExitCodeTest, EndsWithExitCodeZero) {
    EXPECT_EQ(0, Run(GetParam().tail));
    EXPECT_TRUE(FileExists(LogPath()));
}

INSTANTIATE_TEST_SUITE_P(Tails, UninstallExitCodeTest,
                         ::testing::Values(TailCase{"none", L""}, TailCase{"silent", L"/S"},
                                           TailCase{"secondStage", L"/READYUNINSTALL"},
                                           TailCase{"restore", L"/READYUNINSTALL /K"},
                                           TailCase{"unknownSwitches", L"/X=1 \"quoted arg\" -y"}),
                         [](const ::testing::TestParamInfo<TailCase>& info) { return info.param.name; });

TEST_F(UninstallProcessTest, WritesItsLogWithABannerPerProcessAndTimeStampedLines) {
    ASSERT_EQ(0, Run(L""));
    ASSERT_EQ(0, Run(L""));

    std::string log = ReadFileBytes(LogPath());
    ASSERT_FALSE(log.empty());
    std::regex banner(std::string(R"(\r\r\n================== Start Log:)") + kStamp + R"( ==================\r\n)");

    EXPECT_EQ(2, std::distance(std::sregex_iterator(log.begin(), log.end(), banner), std::sregex_iterator()))
        << log;
    // Everything but the banners is time-stamped lines ending in CR LF.
    std::string lines = std::regex_replace(log, banner, "");
    ASSERT_FALSE(lines.empty());
    size_t begin = 0;
    int count = 0;
    while (begin < lines.size()) {
        size_t end = lines.find('\n', begin);
        ASSERT_NE(std::string::npos, end) << "the log ends in a partial line";
        std::string one = lines.substr(begin, end - begin);
        EXPECT_TRUE(std::regex_match(one, std::regex(std::string(kStamp) + R"([^\r\n]*\r)"))) << one;
        begin = end + 1;
        ++count;
    }
    EXPECT_GE(count, 2);
}

}  // namespace
