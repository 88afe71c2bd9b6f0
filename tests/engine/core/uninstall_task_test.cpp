// The engine driven through its interface: the order of the steps, the
// progress scale, which thread each callback runs on, and the settings.
#include "engine/uninstall_task.h"

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/ui_thread_window.h"
#include "log_capture.h"
#include "test_support.h"

using namespace testing_support;

namespace {

struct CallbackEvent {
    std::string what;
    int percent;
    DWORD thread;
};

// Records every call with the thread it came on; hooks let a test act in the
// middle of a run.
class RecordingCallback : public IUninstallCallback {
public:
    void OnUninstallStart() override {
        Add("start", 0);
        if (onStart) onStart();
    }
    void OnUninstallProgress(int percent) override {
        Add("progress", percent);
        if (onProgress) onProgress(percent);
    }
    void OnUninstallEnd() override { Add("end", 0); }
    void OnRealInstallEnd() override {
        Add("realEnd", 0);
        ::InterlockedExchange(&realEnded, 1);
    }

    std::vector<int> Percents() const {
        std::vector<int> values;
        for (const auto& e : events)
            if (e.what == "progress") values.push_back(e.percent);
        return values;
    }
    int Count(const char* what) const {
        int n = 0;
        for (const auto& e : events)
            if (e.what == what) ++n;
        return n;
    }

    std::vector<CallbackEvent> events;
    volatile LONG realEnded = 0;
    std::function<void()> onStart;
    std::function<void(int)> onProgress;

private:
    void Add(const char* what, int percent) { events.push_back({what, percent, ::GetCurrentThreadId()}); }
};

class UninstallTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateUIThreadWindow());
        installDir = L"C:\\vorud-engine\\Vela";
        DeleteTree(L"C:\\vorud-engine");
        ASSERT_TRUE(::SHCreateDirectoryExW(nullptr, installDir.c_str(), nullptr) == ERROR_SUCCESS);
        task.SetInstallDir(installDir.c_str());
    }
    void TearDown() override {
        // A run that a failed assertion left going ends before the engine goes.
        WaitUntil([this] { return !task.Uninstaller().IsRunning(); }, 60000);
        DeleteTree(L"C:\\vorud-engine");
    }

    // Starts a run and pumps this (UI) thread's messages until it is over.
    void RunAndWait(RecordingCallback& callback) {
        task.StartUninstall(&callback);
        ASSERT_TRUE(WaitUntil([&] { return callback.realEnded != 0; }, 60000));
        ASSERT_TRUE(WaitUntil([this] { return !task.Uninstaller().IsRunning(); }, 10000));
    }

    ScopedLogCapture log;
    CUninstallTask task;
    std::wstring installDir;
};

TEST_F(UninstallTaskTest, ReportsTheProgressScaleAndRunsEachCallbackOnItsThread) {
    RecordingCallback callback;
    RunAndWait(callback);

    EXPECT_EQ((std::vector<int>{1, 4, 5, 6, 7, 8, 9, 97, 98, 99}), callback.Percents());
    ASSERT_GE(callback.events.size(), 3u);
    EXPECT_EQ("start", callback.events.front().what);
    EXPECT_EQ("end", callback.events[callback.events.size() - 2].what);
    EXPECT_EQ("realEnd", callback.events.back().what);
    const DWORD uiThread = ::GetCurrentThreadId();
    for (const auto& e : callback.events) {
        if (e.what == "realEnd")
            EXPECT_NE(uiThread, e.thread) << "the last report runs on the worker";
        else
            EXPECT_EQ(uiThread, e.thread) << e.what << " " << e.percent;
    }
}

TEST_F(UninstallTaskTest, LogsTheStepsInTheirOrder) {
    RecordingCallback callback;
    RunAndWait(callback);

    std::wstring missing;
    EXPECT_TRUE(log.HasInOrder(
        {
            L"start uninstall thread...",
            L"start call program",
            L"CPluginTask::StartTask result=0 code=-1",
            L"start close all processes",
            L"enter KillProcessesInInstallPath szTargetDir=" + installDir,
            L"remove desktop shortcuts",
            L"remove start menu shortcuts",
            L"remove cef cache",
            L"remove file by registry",
            L"remove registry",
            L"remove autorun",
            L"start delete all files in " + installDir,
            L"end delete all files in " + installDir,
            L"start create runonce bat",
            L"re unistinfo ret=0",
        },
        &missing))
        << Narrow(missing);
    // Without the flag the application data stays; nothing is announced for
    // a service the product does not own.
    EXPECT_FALSE(log.Has(L"remove appdata"));
    EXPECT_TRUE(log.Starting(L"start uninstall DivurazoradaRO").empty());
}

TEST_F(UninstallTaskTest, RemovingTheApplicationDataIsLoggedOnlyWhenAsked) {
    task.SetRemoveAppData(true);
    RecordingCallback callback;
    RunAndWait(callback);
    std::wstring missing;
    EXPECT_TRUE(log.HasInOrder({L"remove cef cache", L"remove appdata", L"remove file by registry"}, &missing))
        << Narrow(missing);
}

TEST_F(UninstallTaskTest, ASecondStartDuringTheRunOnlyReplacesTheCallback) {
    RecordingCallback first;
    RecordingCallback second;
    first.onStart = [&] { task.StartUninstall(&second); };
    task.StartUninstall(&first);
    ASSERT_TRUE(WaitUntil([&] { return second.realEnded != 0; }, 60000));
    ASSERT_TRUE(WaitUntil([this] { return !task.Uninstaller().IsRunning(); }, 10000));
    // Give a second run, if one had been arranged, time to show itself.
    WaitUntil([&] { return second.Count("start") > 0; }, 1000);

    EXPECT_EQ(1, first.Count("start"));
    EXPECT_TRUE(first.Percents().empty());
    EXPECT_EQ(0, first.realEnded);
    EXPECT_EQ(0, second.Count("start"));
    EXPECT_EQ((std::vector<int>{1, 4, 5, 6, 7, 8, 9, 97, 98, 99}), second.Percents());
    EXPECT_EQ(1, second.Count("end"));
}

TEST_F(UninstallTaskTest, AStartAfterTheRunRunsTheWholeSequenceAgain) {
    RecordingCallback first;
    RunAndWait(first);
    RecordingCallback second;
    RunAndWait(second);
    EXPECT_EQ(1, second.Count("start"));
    EXPECT_EQ((std::vector<int>{1, 4, 5, 6, 7, 8, 9, 97, 98, 99}), second.Percents());
}

TEST_F(UninstallTaskTest, DetachingSkipsTheRemainingCallbacksWhileTheStepsFinish) {
    RecordingCallback callback;
    callback.onProgress = [&](int percent) {
        if (percent == 5) task.DetachCallback();
    };
    task.StartUninstall(&callback);
    ASSERT_TRUE(WaitUntil([this] { return log.Has(L"re unistinfo ret=0"); }, 60000));
    ASSERT_TRUE(WaitUntil([this] { return !task.Uninstaller().IsRunning(); }, 10000));

    EXPECT_EQ((std::vector<int>{1, 4, 5}), callback.Percents());
    EXPECT_EQ(0, callback.Count("end"));
    EXPECT_EQ(0, callback.realEnded);
    EXPECT_TRUE(log.Has(L"start create runonce bat"));
}

TEST_F(UninstallTaskTest, TheChannelIdIsReadTrimmedWhenTheRunStarts) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VelaWallPaper", 0, nullptr, 0,
                                                KEY_SET_VALUE, nullptr, &key, nullptr));
    const wchar_t pid[] = L" \t viruda  \t";
    ::RegSetValueExW(key, L"pid", 0, REG_SZ, reinterpret_cast<const BYTE*>(pid), sizeof(pid));
    ::RegCloseKey(key);

    RecordingCallback callback;
    RunAndWait(callback);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelaWallPaper");

    EXPECT_EQ(L"viruda", task.Uninstaller().GetProductPid());
    // Without a reachable endpoint this channel's report counts as made.
    EXPECT_TRUE(log.Has(L"re unistinfo ret=1"));
}

// The per-file share of the bar, as the folder deletion reports it.
TEST(StepFileProgressTest, SpreadsTheFilesOverTenToNinetyEight) {
    ASSERT_TRUE(CreateUIThreadWindow());
    const struct {
        int total;
        int steps;
        std::vector<int> expected;
    } cases[] = {
        {4, 4, {32, 54, 76, 98}},
        {4, 6, {32, 54, 76, 98, 98, 98}},  // the counter stops at the total
        {3, 3, {39, 68, 98}},
        {1, 1, {98}},
        {0, 3, {}},
    };
    for (const auto& c : cases) {
        CSetupConfig config;
        CUninstaller uninstaller(config);
        RecordingCallback callback;
        uninstaller.SetCallback(&callback);
        uninstaller.SetFileTotal(c.total);
        for (int i = 0; i < c.steps; ++i) uninstaller.StepFileProgress();
        EXPECT_EQ(c.expected, callback.Percents()) << "total " << c.total;
    }
}

TEST(ReportProgressTest, NeverDeliversMoreThanNinetyNine) {
    ASSERT_TRUE(CreateUIThreadWindow());
    CSetupConfig config;
    CUninstaller uninstaller(config);
    RecordingCallback callback;
    uninstaller.SetCallback(&callback);
    for (int n : {1, 98, 99, 100, 250}) uninstaller.ReportProgress(n);
    EXPECT_EQ((std::vector<int>{1, 98, 99, 99, 99}), callback.Percents());
}

TEST(UninstallTaskSettingsTest, GetInstallDirCopiesOnlyWhatFits) {
    CUninstallTask task;
    wchar_t buffer[16];
    auto query = [&](int capacity) {
        wmemset(buffer, L'#', 16);
        buffer[15] = 0;
        task.GetInstallDir(buffer, capacity);
        return std::wstring(buffer);
    };
    const std::wstring untouched(15, L'#');
    EXPECT_EQ(untouched, query(16)) << "an empty folder leaves the buffer alone";
    task.SetInstallDir(L"C:\\Vela");
    EXPECT_EQ(L"C:\\Vela", query(8));
    EXPECT_EQ(L"C:\\Vela", query(16));
    EXPECT_EQ(untouched, query(7)) << "capacity equal to the length";
    EXPECT_EQ(untouched, query(0));
    task.GetInstallDir(nullptr, 16);
    task.SetInstallDir(nullptr);
    EXPECT_EQ(untouched, query(16));
    EXPECT_TRUE(task.QueryStyleFlag());
}

// The sibling game is found by its vendor and its played flag, in the 32-bit
// view of the machine's registry.
TEST(UninstallTaskSettingsTest, SiblingGameDetectionAndItsFlag) {
    const wchar_t kKey[] = L"SOFTWARE\\OVNGameCenter";
    auto setValue = [&](const wchar_t* name, const wchar_t* value) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                                                    KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr));
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                         static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    };
    auto removeKey = [&] { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0); };
    removeKey();

    CUninstallTask task;
    EXPECT_TRUE(task.IsSiblingGameUnplayed());
    EXPECT_FALSE(task.DetectSiblingGame());
    task.SetUninstallSiblingGame(true);
    EXPECT_FALSE(task.Uninstaller().GetUninstallSiblingGame()) << "ignored while no game was found";

    setValue(L"VendorID", L"OVN-VoRuD-01");
    setValue(L"Played", L"");
    EXPECT_TRUE(task.IsSiblingGameUnplayed());
    EXPECT_TRUE(task.DetectSiblingGame());
    task.SetUninstallSiblingGame(true);
    EXPECT_TRUE(task.Uninstaller().GetUninstallSiblingGame());

    setValue(L"Played", L"1");
    setValue(L"VendorID", L"other");
    EXPECT_FALSE(task.IsSiblingGameUnplayed());
    EXPECT_FALSE(task.DetectSiblingGame());
    removeKey();
}

TEST(UninstallTaskSettingsTest, LogTakesTheTextLiterally) {
    ScopedLogCapture log;
    CUninstallTask task;
    task.Log(L"100% done %s %d");
    EXPECT_TRUE(log.Has(L"100% done %s %d"));
}

// PreInitCheck runs in a copy of this program placed where the test wants
// it; the child reports the code and whether the UI-thread window exists.
VORUD_TEST_CHILD(pre_init_check) {
    CUninstallTask task;
    int code = task.PreInitCheck();
    return code * 10 + (GetUIThreadWindow() ? 1 : 0);
}

TEST(PreInitCheckTest, ChecksTheOwnSignatureAndLoadsTheArchiveLibraryNextToIt) {
    const struct {
        const char* name;
        std::wstring program;
        bool with7z;
        long expected;
    } cases[] = {
        {"signed, with 7z.dll", ExeDir() + L"\\engine_tests.exe", true, 1},
        {"signed, no 7z.dll", ExeDir() + L"\\engine_tests.exe", false, 31},
        {"unsigned", ExeDir() + L"\\engine_variants\\engine_tests.unsigned.exe", true, 20},
    };
    for (const auto& c : cases) {
        ScopedTempDir dir(L"preinit");
        std::wstring copy = dir.Join(L"Uninstall.exe");
        ASSERT_TRUE(::CopyFileW(c.program.c_str(), copy.c_str(), FALSE)) << c.name;
        if (c.with7z) {
            ASSERT_TRUE(::CopyFileW((ExeDir() + L"\\7z.dll").c_str(), dir.Join(L"7z.dll").c_str(), FALSE));
        }
        EXPECT_EQ(c.expected, RunProcess(copy, L"--vorud-child pre_init_check", dir.Path(), 60000)) << c.name;
    }
}

}  // namespace
