// The built Uninstall.exe as a user meets it: laid out in a product folder
// and started there.
#include <windows.h>

#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "base/text_convert.h"
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

// The second stage as the first one starts it: a relocated folder holding the
// program and 7z.dll, with the product folder found through App Paths.
class SecondStageTest : public UninstallProcessTest {
protected:
    void SetUp() override {
        UninstallProcessTest::SetUp();
        relocated = L"C:\\vorud-e2e\\relocated";
        ASSERT_TRUE(::CreateDirectoryW(relocated.c_str(), nullptr));
        ASSERT_TRUE(::CopyFileW((productDir + L"\\Uninstall.exe").c_str(), (relocated + L"\\Uninstall.exe").c_str(),
                                FALSE));
        ASSERT_TRUE(::CopyFileW((productDir + L"\\Utils\\7z.dll").c_str(), (relocated + L"\\7z.dll").c_str(),
                                FALSE));
        RemoveAppPath();
    }
    void TearDown() override {
        RemoveAppPath();
        UninstallProcessTest::TearDown();
    }

    static void SetAppPath(const std::wstring& folder) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPathKey, 0, nullptr, 0,
                                                    KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr));
        ::RegSetValueExW(key, L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                         static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    static void RemoveAppPath() { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAppPathKey, KEY_WOW64_32KEY, 0); }

    long RunRelocated(const std::wstring& program, const std::wstring& arguments, DWORD* elapsed = nullptr) {
        DWORD start = ::GetTickCount();
        long code = RunProcess(program, arguments, L"C:\\", 60000);
        if (elapsed) *elapsed = ::GetTickCount() - start;
        return code;
    }

    static std::wstring Log() { return MultiByteToWide(ReadFileBytes(LogPath()), 936); }
    static bool LogHas(const std::wstring& text) { return Log().find(text) != std::wstring::npos; }

    static constexpr const wchar_t* kAppPathKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe";
    const std::wstring kDamaged =
        L"\u5378\u8f7d\u7a0b\u5e8f\u5df2\u88ab\u7834\u574f\uff0c\u8bf7\u91cd\u65b0\u4e0b\u8f7d\u5b89\u88c5"
        L"\u540e\u518d\u8fdb\u884c\u5378\u8f7d";
    const std::wstring k7zDamaged =
        L"7z.dll\u6587\u4ef6\u7834\u574f\uff0c\u8bf7\u91cd\u65b0\u4e0b\u8f7d\u5b89\u88c5\u540e\u8fdb\u884c"
        L"\u5378\u8f7d";
    std::wstring relocated;
};

TEST_F(SecondStageTest, WithoutTheProductFolderItTellsTheProgramIsDamagedAndStops) {
    for (const wchar_t* folder : {static_cast<const wchar_t*>(nullptr), L"C:\\vorud-e2e\\gone"}) {
        if (folder) SetAppPath(folder);
        ::DeleteFileW(LogPath().c_str());
        EXPECT_EQ(0, RunRelocated(relocated + L"\\Uninstall.exe", L"/READYUNINSTALL"));
        EXPECT_TRUE(LogHas(L"message box (style 0): " + kDamaged)) << Narrow(Log());
        EXPECT_FALSE(LogHas(L"pre init check failed")) << Narrow(Log());
        EXPECT_FALSE(LogHas(L"main window")) << Narrow(Log());
    }
}

TEST_F(SecondStageTest, ReadsTheEmbeddedProjectAndReachesTheMainWindow) {
    SetAppPath(productDir);
    EXPECT_EQ(0, RunRelocated(relocated + L"\\Uninstall.exe", L"/READYUNINSTALL"));
    std::wstring log = Log();
    EXPECT_TRUE(LogHas(L"main window is not available in this build, nothing to show")) << Narrow(log);
    EXPECT_FALSE(LogHas(L"pre init check failed")) << Narrow(log);
    EXPECT_FALSE(LogHas(L"init config failed")) << Narrow(log);
    EXPECT_FALSE(LogHas(L"message box")) << Narrow(log);
    // Nothing of the product was touched, and the unpacked project is gone.
    EXPECT_TRUE(FileExists(productDir + L"\\Uninstall.exe"));
    EXPECT_TRUE(FileExists(productDir + L"\\Utils\\7z.dll"));
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((TempDir() + L"\\*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << Narrow(found.cFileName);
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

TEST_F(SecondStageTest, AFailedPreInitCheckShowsItsMessageAndWaitsThreeSeconds) {
    SetAppPath(productDir);
    const struct {
        const char* name;
        std::wstring program;
        bool remove7z;
        int code;
    } cases[] = {
        {"7z.dll missing", relocated + L"\\Uninstall.exe", true, 3},
        {"unsigned program", relocated + L"\\unsigned\\Uninstall.exe", false, 2},
    };
    ASSERT_TRUE(::CreateDirectoryW((relocated + L"\\unsigned").c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW((ExeDir() + L"\\uninstall_variants\\Uninstall.unsigned.exe").c_str(),
                            (relocated + L"\\unsigned\\Uninstall.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW((relocated + L"\\7z.dll").c_str(), (relocated + L"\\unsigned\\7z.dll").c_str(), FALSE));
    for (const auto& c : cases) {
        if (c.remove7z) {
            ASSERT_TRUE(::DeleteFileW((relocated + L"\\7z.dll").c_str()));
        }
        ::DeleteFileW(LogPath().c_str());
        DWORD elapsed = 0;
        EXPECT_EQ(0, RunRelocated(c.program, L"/READYUNINSTALL", &elapsed)) << c.name;
        EXPECT_GE(elapsed, 3000u) << c.name;
        EXPECT_TRUE(LogHas(L"pre init check failed, ret = " + std::to_wstring(c.code))) << c.name;
        EXPECT_TRUE(LogHas(L"message box (style 0): " + (c.code == 2 ? kDamaged : k7zDamaged))) << c.name;
        EXPECT_FALSE(LogHas(L"main window")) << c.name;
    }
}

TEST_F(SecondStageTest, SilentlyNoMessageIsShown) {
    EXPECT_EQ(0, RunRelocated(relocated + L"\\Uninstall.exe", L"/READYUNINSTALL /S"));
    EXPECT_FALSE(LogHas(L"message box")) << Narrow(Log());
}

}  // namespace
