// Stopping the product's processes: the quit event, the wait for the main
// programs, termination of everything in the install folder and of the
// support library's users. The product is procs_product.exe copied under
// the names the engine looks for into C:\vorud-procs.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/handle.h"
#include "base/smart_logger.h"
#include "engine/process_kill.h"
#include "test_support.h"

using testing_support::DeleteTree;
using testing_support::ExeDir;
using testing_support::FileExists;
using testing_support::Narrow;
using testing_support::ReadFileBytes;
using testing_support::ScopedTempDir;
using testing_support::WaitUntil;

namespace {

const wchar_t kRoot[] = L"C:\\vorud-procs";
const wchar_t kVela[] = L"C:\\vorud-procs\\Vela";
const wchar_t kVelaTools[] = L"C:\\vorud-procs\\VelaTools";
const wchar_t kHosts[] = L"C:\\vorud-procs\\hosts";
// A folder right under the drive root, as short as a folder can be.
const wchar_t kRootShortFolder[] = L"C:\\V";

// Exit codes of procs_product.exe.
const DWORD kQuitOnEvent = 10;
const DWORD kTerminatedByEngine = 0;

std::wstring Join(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Creates the folder and those above it.
void MakeFolders(const std::wstring& folder) {
    if (folder.size() <= 3 || FileExists(folder)) return;
    MakeFolders(Parent(folder));
    ::CreateDirectoryW(folder.c_str(), nullptr);
}

std::wstring ProductFixture() { return Join(ExeDir(), L"procs\\procs_product.exe"); }
std::wstring AssistFixture() { return Join(ExeDir(), L"procs\\Assist.dll"); }

// Copies a fixture file to the path, folders included.
void Install(const std::wstring& from, const std::wstring& to) {
    MakeFolders(Parent(to));
    ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(to) << " error " << ::GetLastError();
}

int CountOf(const std::string& text, const std::string& piece) {
    int count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++count;
    return count;
}

struct StartedProcess {
    CHandle process;
    DWORD id = 0;
    std::wstring exe;
};

// Each test gets its own record file and log file, and leaves no process
// and no file of its own behind, even when it fails.
class ProcessKillTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveFiles();
        MakeFolders(kRoot);
        m_record = m_temp.Join(L"record.txt");
        m_log = m_temp.Join(L"uninst.log");
        ::SetEnvironmentVariableW(L"VORUD_FIXTURE_RECORD", m_record.c_str());
        g_SmartLogger.SetLogFile(m_log.c_str());
        g_SmartLogger.Clear();
    }

    void TearDown() override {
        for (StartedProcess& started : m_processes) {
            if (::WaitForSingleObject(started.process.Get(), 0) == WAIT_TIMEOUT)
                ::TerminateProcess(started.process.Get(), 1);
        }
        for (StartedProcess& started : m_processes) ::WaitForSingleObject(started.process.Get(), 10000);
        m_processes.clear();
        ::SetEnvironmentVariableW(L"VORUD_FIXTURE_RECORD", nullptr);
        g_SmartLogger.SetLogFile(nullptr);
        g_SmartLogger.Clear();
        RemoveFiles();
    }

    // A just-ended process can keep its image locked for a moment.
    void RemoveFiles() {
        std::vector<std::wstring> paths = {kRoot, kRootShortFolder, L"C:\\rudare.exe"};
        for (const std::wstring& path : paths) {
            EXPECT_TRUE(WaitUntil([&] { return DeleteTree(path); }, 10000)) << Narrow(path);
        }
    }

    // Starts the program with the arguments and waits until it has set
    // itself up; the index of the process.
    size_t Start(const std::wstring& exe, const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION information = {};
        BOOL created = ::CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &information);
        EXPECT_TRUE(created) << Narrow(exe) << " error " << ::GetLastError();
        if (!created) return SIZE_MAX;
        ::CloseHandle(information.hThread);
        StartedProcess started;
        started.process.Attach(information.hProcess);
        started.id = information.dwProcessId;
        started.exe = exe;
        m_processes.push_back(std::move(started));

        std::string mode = Narrow(arguments.substr(0, arguments.find(L' ')));
        std::string ready = "ready " + mode + " " + std::to_string(information.dwProcessId) + "\n";
        EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(m_record).find(ready) != std::string::npos; }, 20000))
            << Narrow(exe) << " did not get ready";
        return m_processes.size() - 1;
    }

    // Copies the product fixture to the path and starts it in the mode.
    size_t StartProduct(const std::wstring& path, const wchar_t* mode) {
        Install(ProductFixture(), path);
        return Start(path, mode);
    }

    HANDLE Handle(size_t index) const { return m_processes.at(index).process.Get(); }
    DWORD Id(size_t index) const { return m_processes.at(index).id; }

    bool IsRunning(size_t index) const { return ::WaitForSingleObject(Handle(index), 0) == WAIT_TIMEOUT; }

    // The exit code once the process has ended (STILL_ACTIVE when it did not
    // end within the time).
    DWORD ExitCodeOf(size_t index, DWORD waitMs = 5000) const {
        if (::WaitForSingleObject(Handle(index), waitMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = 0;
        ::GetExitCodeProcess(Handle(index), &code);
        return code;
    }

    // The log's lines, with "\n" line ends (the file has "\r\n").
    std::string Log() const {
        std::string text = ReadFileBytes(m_log);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }

    ScopedTempDir m_temp{L"procs"};
    std::wstring m_record;
    std::wstring m_log;
    std::vector<StartedProcess> m_processes;
};

// ---------------------------------------------------------------- the step

TEST_F(ProcessKillTest, ProductNotRunningReturnsAtOnceAndKillsNothing) {
    size_t other = StartProduct(Join(kVela, L"other.exe"), L"stay");

    DWORD start = ::GetTickCount();
    KillProcessesInInstallPath(nullptr, kVela);
    DWORD elapsed = ::GetTickCount() - start;

    EXPECT_LT(elapsed, 3000u);
    EXPECT_TRUE(IsRunning(other));
    std::string log = Log();
    EXPECT_THAT(log, testing::HasSubstr("enter KillProcessesInInstallPath szTargetDir=C:\\vorud-procs\\Vela\n"));
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("enter KillMultiProcesses")));
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("end KillProcessesInInstallPath")));
}

TEST_F(ProcessKillTest, ProductQuittingOnTheEventEndsTheWait) {
    size_t main = StartProduct(Join(kVela, L"rudare.exe"), L"quit");
    size_t helper = StartProduct(Join(kVela, L"web_helper.exe"), L"quit");
    size_t other = StartProduct(Join(kVela, L"other.exe"), L"stay");

    DWORD start = ::GetTickCount();
    KillProcessesInInstallPath(nullptr, kVela);
    DWORD elapsed = ::GetTickCount() - start;

    EXPECT_LT(elapsed, 9000u);
    EXPECT_EQ(ExitCodeOf(main), kQuitOnEvent);
    EXPECT_EQ(ExitCodeOf(helper), kQuitOnEvent);
    EXPECT_TRUE(IsRunning(other));
    std::string log = Log();
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("enter KillMultiProcesses")));
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("Kill process")));
    // The wallpaper is re-applied only together with this line.
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("end KillProcessesInInstallPath")));
}

struct KeepRunningCase {
    const char* name;
    const wchar_t* mainMode;  // rudare.exe's mode; web_helper.exe stays
};

void PrintTo(const KeepRunningCase& c, std::ostream* out) { *out << c.name; }

class ProductKeepsRunningTest : public ProcessKillTest, public testing::WithParamInterface<KeepRunningCase> {};

TEST_P(ProductKeepsRunningTest, AfterTenSecondsEverythingInTheFolderIsTerminated) {
    const bool mainStays = std::wstring(GetParam().mainMode) == L"stay";
    size_t main = StartProduct(Join(kVela, L"rudare.exe"), GetParam().mainMode);
    size_t helper = StartProduct(Join(kVela, L"web_helper.exe"), L"stay");
    size_t other = StartProduct(Join(kVela, L"other.exe"), L"stay");
    size_t deep = StartProduct(Join(kVela, L"sub\\deep.exe"), L"stay");
    size_t subIgnoredName = StartProduct(Join(kVela, L"sub\\a.exe"), L"stay");
    size_t ignored = StartProduct(Join(kVela, L"a.exe"), L"stay");
    size_t sibling = StartProduct(Join(kVelaTools, L"x.exe"), L"stay");

    DWORD start = ::GetTickCount();
    KillProcessesInInstallPath(nullptr, kVela);
    DWORD elapsed = ::GetTickCount() - start;

    EXPECT_GE(elapsed, 9900u);
    EXPECT_LT(elapsed, 30000u);
    EXPECT_EQ(ExitCodeOf(main), mainStays ? kTerminatedByEngine : kQuitOnEvent);
    EXPECT_EQ(ExitCodeOf(helper), kTerminatedByEngine);
    EXPECT_EQ(ExitCodeOf(other), kTerminatedByEngine);
    EXPECT_EQ(ExitCodeOf(deep), kTerminatedByEngine);
    EXPECT_EQ(ExitCodeOf(subIgnoredName), kTerminatedByEngine);
    EXPECT_TRUE(IsRunning(ignored));
    EXPECT_TRUE(IsRunning(sibling));

    std::string log = Log();
    // The wait asks for web_helper.exe only while rudare.exe is gone.
    EXPECT_THAT(log, testing::HasSubstr(mainStays ? "process: C:\\VORUD-PROCS\\VELA\\RUDARE.EXE is running\n"
                                                  : "process: C:\\VORUD-PROCS\\VELA\\WEB_HELPER.EXE is running\n"));
    EXPECT_EQ(CountOf(log, "Kill process: C:\\VORUD-PROCS\\VELA\\RUDARE.EXE\n"), mainStays ? 1 : 0);
    for (const char* killed : {"WEB_HELPER.EXE", "OTHER.EXE", "SUB\\DEEP.EXE", "SUB\\A.EXE"}) {
        EXPECT_EQ(CountOf(log, std::string("Kill process: C:\\VORUD-PROCS\\VELA\\") + killed + "\n"), 1) << killed;
    }
    EXPECT_EQ(CountOf(log, "Ignore process : C:\\VORUD-PROCS\\VELA\\A.EXE\n"), 1);
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("VELATOOLS")));
    size_t enter = log.find("enter KillMultiProcesses\n");
    size_t endKill = log.find("end KillMultiProcesses\n");
    size_t endStep = log.find("end KillProcessesInInstallPath\n");
    ASSERT_NE(enter, std::string::npos);
    ASSERT_NE(endKill, std::string::npos);
    ASSERT_NE(endStep, std::string::npos);
    EXPECT_LT(enter, endKill);
    EXPECT_LT(endKill, endStep);
}

INSTANTIATE_TEST_SUITE_P(MainPrograms, ProductKeepsRunningTest,
                         testing::Values(KeepRunningCase{"BothStay", L"stay"},
                                         // web_helper.exe alone keeps the wait going.
                                         KeepRunningCase{"OnlyTheHelperStays", L"quit"}),
                         [](const testing::TestParamInfo<KeepRunningCase>& info) { return info.param.name; });

struct ShortInstallDirCase {
    const char* name;
    const wchar_t* installDir;
    const wchar_t* product;  // a running rudare.exe the step would find there
};

void PrintTo(const ShortInstallDirCase& c, std::ostream* out) { *out << c.name; }

class ShortInstallDirTest : public ProcessKillTest, public testing::WithParamInterface<ShortInstallDirCase> {};

TEST_P(ShortInstallDirTest, TerminatesNothing) {
    size_t product = StartProduct(GetParam().product, L"stay");
    size_t other = StartProduct(Join(kVela, L"other.exe"), L"stay");

    DWORD start = ::GetTickCount();
    KillProcessesInInstallPath(nullptr, GetParam().installDir);
    DWORD elapsed = ::GetTickCount() - start;

    EXPECT_LT(elapsed, 3000u);
    EXPECT_TRUE(IsRunning(product));
    EXPECT_TRUE(IsRunning(other));
    std::string log = Log();
    EXPECT_THAT(log, testing::HasSubstr("enter KillProcessesInInstallPath szTargetDir=" +
                                        Narrow(GetParam().installDir) + "\n"));
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("process: ")));
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("KillMultiProcesses")));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ShortInstallDirTest,
    testing::Values(ShortInstallDirCase{"DriveRoot", L"C:\\", L"C:\\rudare.exe"},
                    ShortInstallDirCase{"FourCharacters", kRootShortFolder, L"C:\\V\\rudare.exe"}),
    [](const testing::TestParamInfo<ShortInstallDirCase>& info) { return info.param.name; });

// ------------------------------------------------- folder-wide termination

// The processes every case starts.
enum LaidOutProcess { kOther, kDirectA, kSubA, kSubDeep, kSiblingX, kRootFolderX, kLaidOutCount };

const wchar_t* const kLaidOutPaths[kLaidOutCount] = {
    L"C:\\vorud-procs\\Vela\\other.exe",     L"C:\\vorud-procs\\Vela\\a.exe",
    L"C:\\vorud-procs\\Vela\\sub\\a.exe",    L"C:\\vorud-procs\\Vela\\sub\\deep.exe",
    L"C:\\vorud-procs\\VelaTools\\x.exe", L"C:\\V\\x.exe"};

struct FolderCase {
    const char* name;
    const wchar_t* folder;
    std::vector<LaidOutProcess> killed;
    std::vector<const char*> ignoredLogged;  // upper-cased image paths
    bool runs;                               // passes the length guard
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }

class KillMultiProcessesTest : public ProcessKillTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(KillMultiProcessesTest, TerminatesWhatLiesInTheFolder) {
    const FolderCase& c = GetParam();
    std::vector<size_t> started;
    for (const wchar_t* path : kLaidOutPaths) started.push_back(StartProduct(path, L"stay"));

    int count = -1;
    EXPECT_EQ(KillMultiProcesses(c.folder, &count), 0);

    EXPECT_EQ(count, static_cast<int>(c.killed.size()));
    std::string log = Log();
    for (int p = 0; p < kLaidOutCount; ++p) {
        bool killed = std::find(c.killed.begin(), c.killed.end(), p) != c.killed.end();
        std::string upper = Narrow(kLaidOutPaths[p]);
        ::CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
        if (killed) {
            EXPECT_EQ(ExitCodeOf(started[p]), kTerminatedByEngine) << upper;
            EXPECT_EQ(CountOf(log, "Kill process: " + upper + "\n"), 1) << upper;
        } else {
            EXPECT_TRUE(IsRunning(started[p])) << upper;
            EXPECT_EQ(CountOf(log, "Kill process: " + upper + "\n"), 0) << upper;
        }
    }
    for (const char* ignored : c.ignoredLogged) {
        EXPECT_EQ(CountOf(log, std::string("Ignore process : ") + ignored + "\n"), 1) << ignored;
    }
    EXPECT_EQ(CountOf(log, "Ignore process : "), static_cast<int>(c.ignoredLogged.size()));
    EXPECT_EQ(CountOf(log, "enter KillMultiProcesses\n"), 1);
    EXPECT_EQ(CountOf(log, "end KillMultiProcesses\n"), c.runs ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, KillMultiProcessesTest,
    testing::Values(
        FolderCase{"InstallFolder", L"C:\\vorud-procs\\Vela", {kOther, kSubA, kSubDeep},
                   {"C:\\VORUD-PROCS\\VELA\\A.EXE"}, true},
        FolderCase{"OtherCaseTrailingBackslash", L"c:\\VORUD-procs\\vela\\", {kOther, kSubA, kSubDeep},
                   {"C:\\VORUD-PROCS\\VELA\\A.EXE"}, true},
        // The folder's text is a prefix of both folders' names, but neither
        // lies in it.
        FolderCase{"PrefixOfFolderNames", L"C:\\vorud-procs\\Vel", {}, {}, true},
        FolderCase{"SiblingFolder", L"C:\\vorud-procs\\VelaTools", {kSiblingX}, {}, true},
        // a.exe is left only directly in the folder given.
        FolderCase{"Subfolder", L"C:\\vorud-procs\\Vela\\sub", {kSubDeep}, {"C:\\VORUD-PROCS\\VELA\\SUB\\A.EXE"},
                   true},
        FolderCase{"FourCharacters", kRootShortFolder, {kRootFolderX}, {}, true},
        FolderCase{"DriveRoot", L"C:\\", {}, {}, false},
        FolderCase{"Missing", nullptr, {}, {}, false}),
    [](const testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

// A copy of this program inside the folder ("parent") starts a second copy
// ("self"), which terminates everything in the folder: both copies survive.
// The exit code is 50 plus the number of terminated processes, passed back
// through the parent; a terminated copy ends with 0.
VORUD_TEST_CHILD(procs_kill_own_folder) {
    if (argc < 1) return 2;
    int count = -1;
    KillMultiProcesses(argv[0], &count);
    return 50 + count;
}

VORUD_TEST_CHILD(procs_parent_of_killer) {
    if (argc < 1) return 2;
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    long code = testing_support::RunProcess(self, std::wstring(L"--vorud-child procs_kill_own_folder \"") + argv[0] +
                                                      L"\"",
                                            std::wstring(), 60000);
    return static_cast<int>(code);
}

TEST_F(ProcessKillTest, SparesItsOwnProcessAndItsParent) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring copy = Join(kVela, L"tester.exe");
    Install(self, copy);
    size_t other = StartProduct(Join(kVela, L"other.exe"), L"stay");

    long code = testing_support::RunProcess(
        copy, std::wstring(L"--vorud-child procs_parent_of_killer \"") + kVela + L"\"", std::wstring(), 60000);

    EXPECT_EQ(code, 51);  // neither copy terminated, other.exe was
    EXPECT_EQ(ExitCodeOf(other), kTerminatedByEngine);
}

// ------------------------------------------------------ single processes

TEST_F(ProcessKillTest, IsProcessRunningComparesFullPathsOrFileNames) {
    StartProduct(Join(kVela, L"rudare.exe"), L"stay");

    struct Case {
        const wchar_t* path;
        bool fullPath;
        bool running;
    } cases[] = {
        {L"C:\\vorud-procs\\Vela\\rudare.exe", true, true},
        {L"c:\\VORUD-PROCS\\vela\\RUDARE.EXE", true, true},
        {L"C:\\vorud-procs\\VelaTools\\rudare.exe", true, false},
        {L"C:\\vorud-procs\\Vela\\web_helper.exe", true, false},
        {L"rudare.exe", true, false},
        {L"RUDARE.exe", false, true},
        {L"web_helper.exe", false, false},
        {nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? Narrow(c.path) : "null");
        EXPECT_EQ(IsProcessRunning(c.path, c.fullPath), c.running) << "full path " << c.fullPath;
    }
    EXPECT_THAT(Log(), testing::HasSubstr("process: C:\\VORUD-PROCS\\VELA\\RUDARE.EXE is running\n"));
}

TEST_F(ProcessKillTest, KillProcessByPathTerminatesOnlyThatFile) {
    size_t first = StartProduct(Join(kVela, L"rudare.exe"), L"stay");
    size_t second = Start(Join(kVela, L"rudare.exe"), L"stay");
    size_t deeper = StartProduct(Join(kVela, L"sub\\rudare.exe"), L"stay");
    size_t sibling = StartProduct(Join(kVelaTools, L"rudare.exe"), L"stay");

    // Neither the folder, nor the bare name, nor a null or over-long path
    // names the file.
    KillProcessByPath(kVela);
    KillProcessByPath(L"rudare.exe");
    KillProcessByPath(nullptr);
    KillProcessByPath((std::wstring(kVela) + L"\\" + std::wstring(250, L'x')).c_str());
    KillProcessByPath(L"c:\\VORUD-PROCS\\vela\\RUDARE.exe");

    EXPECT_EQ(ExitCodeOf(first), kTerminatedByEngine);
    EXPECT_EQ(ExitCodeOf(second), kTerminatedByEngine);
    EXPECT_TRUE(IsRunning(deeper));
    EXPECT_TRUE(IsRunning(sibling));
    std::string log = Log();
    EXPECT_EQ(CountOf(log, "Kill process: C:\\VORUD-PROCS\\VELA\\RUDARE.EXE\n"), 2);
    EXPECT_EQ(CountOf(log, "Kill process: "), 2);
}

TEST_F(ProcessKillTest, GetProcessImagePathNeedsRoomAndAnOpenableProcess) {
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    wchar_t buffer[1024];

    // Too small a buffer: nothing is read.
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(GetProcessImagePath(::GetCurrentProcessId(), buffer, 99), 0u);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(GetProcessImagePath(::GetCurrentProcessId(), nullptr, 1024), 0u);

    EXPECT_EQ(GetProcessImagePath(::GetCurrentProcessId(), buffer, 100), static_cast<DWORD>(::lstrlenW(own)));
    EXPECT_STREQ(buffer, own);

    // A path longer than the buffer: cut to the buffer, the full length
    // returned.
    std::wstring deep = Join(kVela, std::wstring(90, L'd') + L"\\rudare.exe");
    ASSERT_GT(deep.size(), 100u);
    size_t product = StartProduct(deep, L"stay");
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(GetProcessImagePath(Id(product), buffer, 100), deep.size());
    EXPECT_EQ(std::wstring(buffer), deep.substr(0, 99));
    EXPECT_EQ(buffer[100], L'#');

    // No process has this id.
    const DWORD missingId = 0x7FFFFFF0;
    ASSERT_EQ(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, missingId), nullptr);
    EXPECT_EQ(GetProcessImagePath(missingId, buffer, 1024), 0u);
    EXPECT_THAT(Log(), testing::HasSubstr("[kill] OpenProcess Failed: pid = " + std::to_string(missingId) + ", error = "));
}

TEST_F(ProcessKillTest, ShortPathImagesAreMatchedInLongForm) {
    const std::wstring folder = Join(kRoot, L"Vela Wallpaper Product Folder");
    const std::wstring exe = Join(folder, L"rudare.exe");
    Install(ProductFixture(), exe);
    wchar_t shortExe[MAX_PATH] = {};
    DWORD length = ::GetShortPathNameW(exe.c_str(), shortExe, MAX_PATH);
    ASSERT_GT(length, 0u);
    if (std::wstring(shortExe).find(L'~') == std::wstring::npos)
        GTEST_SKIP() << "no short names on this system: " << Narrow(shortExe);

    size_t product = Start(shortExe, L"stay");
    wchar_t image[1024] = {};
    ASSERT_GT(GetProcessImagePath(Id(product), image, 1024), 0u);
    EXPECT_EQ(::lstrcmpiW(image, exe.c_str()), 0) << Narrow(image);
    EXPECT_TRUE(IsProcessRunning(exe.c_str(), true));

    int count = -1;
    KillMultiProcesses(folder.c_str(), &count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ExitCodeOf(product), kTerminatedByEngine);
}

// -------------------------------------------- the support library's users

TEST_F(ProcessKillTest, AssistDllUsersAreTerminatedWithMinusOne) {
    const std::wstring assist = Join(kVela, L"Utils\\Assist.dll");
    const std::wstring otherName = Join(kVela, L"Utils\\Other.dll");
    const std::wstring siblingAssist = Join(kVelaTools, L"Utils\\Assist.dll");
    for (const std::wstring& path : {assist, otherName, siblingAssist}) Install(AssistFixture(), path);
    const std::wstring host = Join(kHosts, L"host.exe");
    Install(ProductFixture(), host);

    size_t user = Start(host, L"load \"" + assist + L"\"");
    size_t otherUser = Start(host, L"load \"" + otherName + L"\"");
    size_t siblingUser = Start(host, L"load \"" + siblingAssist + L"\"");
    size_t plain = Start(host, L"stay");

    std::wstring otherCase = L"c:\\VORUD-PROCS\\vela\\utils\\ASSIST.DLL";
    EXPECT_TRUE(ProcessHasModule(Id(user), otherCase.c_str()));
    EXPECT_TRUE(ProcessHasModule(Id(user), host.c_str()));
    EXPECT_FALSE(ProcessHasModule(Id(user), L"Assist.dll"));
    EXPECT_FALSE(ProcessHasModule(Id(user), nullptr));
    EXPECT_FALSE(ProcessHasModule(Id(otherUser), assist.c_str()));
    EXPECT_FALSE(ProcessHasModule(Id(siblingUser), assist.c_str()));
    EXPECT_FALSE(ProcessHasModule(Id(plain), assist.c_str()));

    KillAssistDllUsers(kVela);

    EXPECT_EQ(ExitCodeOf(user), 0xFFFFFFFFu);
    EXPECT_TRUE(IsRunning(otherUser));
    EXPECT_TRUE(IsRunning(siblingUser));
    EXPECT_TRUE(IsRunning(plain));
    EXPECT_FALSE(ProcessHasModule(Id(user), assist.c_str()));
}

}  // namespace
