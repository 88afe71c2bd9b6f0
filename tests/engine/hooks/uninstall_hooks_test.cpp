// The product's uninstall hooks: the setup project's programs and
// unregistrations, the run_list and file_pe lists and the desktop guard,
// each against a product folder laid out from the fakes.
#include "engine/uninstall_hooks.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/smart_logger.h"
#include "base/windows_bitness.h"
#include "config/setup_config.h"
#include "config/xml_test_files.h"
#include "hooks_test_support.h"

using namespace hooks_test;
using testing_support::ExeDir;
using testing_support::FileExists;
using testing_support::RunChild;
using testing_support::RunProcess;
using testing_support::ScopedTempDir;
using testing_support::WaitUntil;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

namespace {

const std::wstring kProductKey = std::wstring(kAppPathsKey) + L"\\rudare.exe";

std::vector<std::wstring> Sorted(std::vector<std::wstring> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

class HooksTest : public ::testing::Test {
protected:
    ScopedCom com;
    ProductFolder product;
    Record record;
    ScopedLogCapture log;
    WaitLog waits;
    ScopedTempDir projectDir{L"project"};

    bool Load(CSetupConfig& config, const std::wstring& content) {
        std::wstring path = projectDir.Join(L"hooks.ovnprj");
        return WriteProject(path, content) && config.LoadProject(path.c_str());
    }
};

// ------------------------------------------------------ CallProgramOnUninst

TEST_F(HooksTest, CallProgramsRunEachSignedItemWithItsCommandLineArgumentAndWait) {
    const std::wstring w0 = product.Place(Program(L"publisher"), L"bin\\w0.exe");
    const std::wstring wMinus = product.Place(Program(L"publisher"), L"bin\\wminus.exe");
    const std::wstring wLong = product.Place(Program(L"publisher"), L"bin\\wlong.exe");
    const std::wstring w3 = product.Place(Program(L"publisher"), L"bin\\w3.exe");
    const std::wstring upper = product.Place(Program(L"publisher"), L"bin\\upper.exe");
    const std::wstring plugin = product.Place(Dll(L"hook_uninst", L"publisher"), L"plugins\\a.dll");
    const std::wstring provider = product.Place(Dll(L"hook_ds", L"publisher"), L"provider\\wpprovider.dll");
    const std::wstring script = product.Place(Program(L"publisher"), L"bin\\script.exe");
    const std::wstring unsignedProgram = product.Place(Program(L"unsigned"), L"bin\\unsigned.exe");
    const std::wstring unsignedDll = product.Place(Dll(L"hook_uninst", L"unsigned"), L"plugins\\unsigned.dll");
    const std::wstring otherNamed = product.Place(Program(L"publisher"), L"bin\\othernamed.exe");
    const std::wstring selfSigned = product.Place(Program(L"publisher"), L"bin\\selfsigned.exe");
    const std::wstring noSync = product.Place(Program(L"publisher"), L"bin\\nosync.exe");

    CSetupConfig config;
    ASSERT_TRUE(Load(config, std::wstring(
        L"<CallProgramOnUninst>\r\n"
        L"  <Program FileName=\"bin\\w0.exe\" Type=\"exe\" Cmdline=\"/a 0\" WaitTime=\"0\"/>\r\n"
        L"  <Program FileName=\"bin\\wminus.exe\" Type=\"exe\" Cmdline=\"/a -1\" WaitTime=\"-1\"/>\r\n"
        L"  <Program FileName=\"bin\\wlong.exe\" Type=\"exe\" Cmdline=\"/a 120000\" WaitTime=\"120000\"/>\r\n"
        L"  <Program FileName=\"bin\\w3.exe\" Type=\"exe\" Cmdline=\"/a 3000\" WaitTime=\"3000\"/>\r\n"
        L"  <Program FileName=\"bin\\upper.exe\" Type=\"EXE\" Cmdline=\"/upper\" Para=\"unused\"/>\r\n"
        L"  <Program FileName=\"plugins\\a.dll\" Type=\"dll\" FuncName=\"Uninst\" Para=\"/p1\" Cmdline=\"unused\"/>\r\n"
        L"  <Program FileName=\"provider\\wpprovider.dll\" Type=\"Dll\" FuncName=\"DS\"/>\r\n"
        L"  <Program FileName=\"bin\\script.exe\" Type=\"bat\" Cmdline=\"/never\"/>\r\n"
        L"  <Program FileName=\"bin\\missing.exe\" Type=\"exe\" Cmdline=\"/never\"/>\r\n"
        L"  <Program FileName=\"bin\\unsigned.exe\" Type=\"exe\" Cmdline=\"/never\"/>\r\n"
        L"  <Program FileName=\"plugins\\unsigned.dll\" Type=\"dll\" FuncName=\"Uninst\"/>\r\n"
        L"  <Program FileName=\"bin\\othernamed.exe\" Type=\"exe\" Cmdline=\"/never\" SignType=\"") +
        kOtherSigner + L"\"/>\r\n"
        // The publisher's own name through SignType: the stricter check,
        // which the self-signed certificate (untrusted root) does not pass.
        L"  <Program FileName=\"bin\\selfsigned.exe\" Type=\"exe\" Cmdline=\"/never\" SignType=\"" + kPublisher +
        L"\"/>\r\n"
        L"  <Program FileName=\"bin\\nosync.exe\" Type=\"exe\" Cmdline=\"/nosync\" Sync=\"0\"/>\r\n"
        L"</CallProgramOnUninst>\r\n"));

    EXPECT_TRUE(RunCallProgramOnUninst(config, product.Path().c_str()));

    EXPECT_THAT(record.WaitForLines(8),
                ElementsAre(ShellRunLine(w0, L"/a 0"), ShellRunLine(wMinus, L"/a -1"),
                            ShellRunLine(wLong, L"/a 120000"), ShellRunLine(w3, L"/a 3000"),
                            ShellRunLine(upper, L"/upper"), CallLine(L"Uninst", plugin, L"/p1"),
                            CallLine(L"DS", provider, L""), ShellRunLine(noSync, L"/nosync")));
    // WaitTime 0, -1 and anything above 50000 wait 50000 ms; the item
    // without Sync does not wait.
    EXPECT_THAT(waits.Waits(), ElementsAre(Pair(w0, 50000u), Pair(wMinus, 50000u), Pair(wLong, 50000u),
                                           Pair(w3, 3000u), Pair(upper, 50000u)));

    std::vector<std::wstring> messages = log.Messages();
    EXPECT_THAT(messages, Contains(L"file[" + product.Join(L"bin\\missing.exe") + L"] is not exist"));
    EXPECT_THAT(messages, Contains(L"check sign fail, signType[], filepath[" + unsignedProgram + L"]"));
    EXPECT_THAT(messages, Contains(L"check sign fail, signType[], filepath[" + unsignedDll + L"]"));
    EXPECT_THAT(messages, Contains(L"check sign fail, signType[" + std::wstring(kOtherSigner) + L"], filepath[" +
                                   otherNamed + L"]"));
    EXPECT_THAT(messages, Contains(L"check sign fail, signType[" + std::wstring(kPublisher) + L"], filepath[" +
                                   selfSigned + L"]"));
    EXPECT_THAT(messages, Contains(L"call exe return [1], path=[" + w0 + L"], cmd=[/a 0], sync[1]"));
    EXPECT_THAT(messages, Contains(L"call exe return [1], path=[" + noSync + L"], cmd=[/nosync], sync[0]"));
    EXPECT_THAT(messages, Contains(L"call dll func start, path=[" + provider + L"]"));
}

TEST_F(HooksTest, CallProgramsWithoutAFolderDoNothing) {
    product.Place(Program(L"publisher"), L"bin\\w0.exe");
    CSetupConfig config;
    ASSERT_TRUE(Load(config, L"<CallProgramOnUninst><Program FileName=\"bin\\w0.exe\" Type=\"exe\"/>"
                             L"</CallProgramOnUninst>"));
    EXPECT_FALSE(RunCallProgramOnUninst(config, nullptr));
    EXPECT_THAT(record.Lines(), IsEmpty());
}

// The set-up project of a child and the folder it runs the items in.
VORUD_TEST_CHILD(call_programs) {
    if (argc < 3) return 16;
    ScopedCom com;
    CSetupConfig config;
    if (!config.LoadProject(argv[0])) return 17;
    g_SmartLogger.SetLogFile(argv[2]);
    return RunCallProgramOnUninst(config, argv[1]) ? 0 : 18;
}

// SignType names the signer the file must carry instead of the publisher;
// that check wants a trusted root (the test CA, trusted for a fresh process).
TEST_F(HooksTest, CallProgramsCheckTheSignerThatSignTypeNames) {
    const std::wstring caPublisher = product.Place(Program(L"testca"), L"bin\\ca_publisher.exe");
    const std::wstring caOther = product.Place(Program(L"testca"), L"bin\\ca_other.exe");
    const std::wstring caDefault = product.Place(Program(L"testca"), L"bin\\ca_default.exe");
    const std::wstring other = product.Place(Program(L"other"), L"bin\\other.exe");
    const std::wstring expired = product.Place(Program(L"expired"), L"bin\\expired.exe");
    std::wstring project = projectDir.Join(L"signtype.ovnprj");
    ASSERT_TRUE(WriteProject(project, std::wstring(L"<CallProgramOnUninst>\r\n") +
        L"<Program FileName=\"bin\\ca_publisher.exe\" Type=\"exe\" Cmdline=\"/1\" SignType=\"" + kPublisher + L"\"/>\r\n"
        L"<Program FileName=\"bin\\ca_other.exe\" Type=\"exe\" Cmdline=\"/2\" SignType=\"" + kOtherSigner + L"\"/>\r\n"
        L"<Program FileName=\"bin\\ca_default.exe\" Type=\"exe\" Cmdline=\"/3\"/>\r\n"
        L"<Program FileName=\"bin\\other.exe\" Type=\"exe\" Cmdline=\"/4\" SignType=\"" + kOtherSigner + L"\"/>\r\n"
        L"<Program FileName=\"bin\\expired.exe\" Type=\"exe\" Cmdline=\"/5\" SignType=\"" + kPublisher + L"\"/>\r\n"
        L"</CallProgramOnUninst>\r\n"));

    TrustedHooksCa trust;
    ASSERT_TRUE(trust.Added());
    ASSERT_EQ(0, RunChild(L"call_programs",
                          L"\"" + project + L"\" \"" + product.Path() + L"\" \"" + log.Path() + L"\""));

    EXPECT_THAT(record.Lines(), ElementsAre(ShellRunLine(caPublisher, L"/1"), ShellRunLine(caDefault, L"/3"),
                                            ShellRunLine(expired, L"/5")));
    std::vector<std::wstring> messages = log.Messages();
    EXPECT_THAT(messages, Contains(L"check sign fail, signType[" + std::wstring(kOtherSigner) + L"], filepath[" +
                                   caOther + L"]"));
    // The other signer's certificate is self-signed: its root is untrusted.
    EXPECT_THAT(messages, Contains(L"check sign fail, signType[" + std::wstring(kOtherSigner) + L"], filepath[" +
                                   other + L"]"));
}

// --------------------------------------------------- RundllUnRegisterOnUnInst

const wchar_t* UsedLauncher() { return Is64BitWindows() ? L"Utils\\rundll64.exe" : L"Utils\\rundll.exe"; }

TEST_F(HooksTest, UnregistrationsRunThroughTheLauncherOfThisWindowsWithTheirOwnWait) {
    const std::wstring launcher = product.Place(Program(L"publisher"), UsedLauncher());
    product.Place(Program(L"publisher"), Is64BitWindows() ? L"Utils\\rundll.exe" : L"Utils\\rundll64.exe");
    const std::wstring first = product.Place(Dll(L"hook_uninst", L"unsigned"), L"plugins\\first.dll");
    const std::wstring second = product.Place(Dll(L"hook_uninst", L"unsigned"), L"plugins\\second.dll");
    const std::wstring width = SystemWidth();
    CSetupConfig config;
    ASSERT_TRUE(Load(config,
        // The item without a wait comes last: a launcher still running when
        // the next item starts it again would be terminated first.
        L"<RundllUnRegisterOnUnInst>\r\n"
        L"  <Item FileName=\"plugins\\second.dll\" Entry=\"DllUnregisterServer\" WaitTime=\"120000\" System=\"" +
        width + L"\"/>\r\n"
        L"  <Item FileName=\"plugins\\missing.dll\" Entry=\"Unreg\" WaitTime=\"10\" System=\"" + width + L"\"/>\r\n"
        L"  <Item FileName=\"plugins\\first.dll\" Entry=\"Unreg\" Cmdline=\"/s /q\" WaitTime=\"0\" System=\"" +
        width + L"\"/>\r\n"
        L"</RundllUnRegisterOnUnInst>\r\n"));
    ASSERT_EQ(3, config.GetRundllItemCount());

    EXPECT_TRUE(RunRundllUnRegister(config, product.Path().c_str()));

    // The DLLs themselves are the launcher's to load: their signature is not
    // looked at.
    EXPECT_THAT(Sorted(record.WaitForLines(2)),
                ElementsAre(ShellRunLine(launcher, L"--dll=\"" + first + L"\" --entry=Unreg /s /q"),
                            ShellRunLine(launcher, L"--dll=\"" + second + L"\" --entry=DllUnregisterServer ")));
    EXPECT_THAT(waits.Waits(), ElementsAre(Pair(launcher, 120000u), Pair(launcher, 0u)));
    EXPECT_TRUE(log.Has(L"file[" + product.Join(L"plugins\\missing.dll") + L"] is not exist"));
}

TEST_F(HooksTest, UnregistrationsNeedASignedLauncher) {
    product.Place(Program(L"unsigned"), UsedLauncher());
    product.Place(Dll(L"hook_uninst", L"publisher"), L"plugins\\first.dll");
    CSetupConfig config;
    ASSERT_TRUE(Load(config, L"<RundllUnRegisterOnUnInst><Item FileName=\"plugins\\first.dll\" Entry=\"Unreg\""
                             L" System=\"" + std::wstring(SystemWidth()) + L"\"/></RundllUnRegisterOnUnInst>"));
    EXPECT_FALSE(RunRundllUnRegister(config, product.Path().c_str()));
    EXPECT_FALSE(RunRundllUnRegister(config, nullptr));
    EXPECT_THAT(record.Lines(), IsEmpty());
}

// ---------------------------------------------------------------- run_list

class RunListTest : public HooksTest {
protected:
    ScopedHklmKey runList{kProductKey, L"run_list"};
};

TEST_F(RunListTest, DllsAndProgramsAreCalledWithTheirValueText) {
    ASSERT_TRUE(runList.IsOpen());
    const std::wstring twenty = product.Place(Dll(L"hook_text", L"publisher"), L"plugins\\twenty.dll");
    const std::wstring zero = product.Place(Dll(L"hook_text", L"publisher"), L"plugins\\zero.dll");
    const std::wstring negative = product.Place(Dll(L"hook_text", L"publisher"), L"plugins\\negative.tpi");
    const std::wstring unsignedDll = product.Place(Dll(L"hook_text", L"unsigned"), L"plugins\\unsigned.dll");
    const std::wstring regtestDll = product.Place(Dll(L"hook_text", L"unsigned"), L"plugins\\regtest.DLL");
    const std::wstring tool = product.Place(Program(L"publisher"), L"bin\\tool.exe");
    const std::wstring unsignedTool = product.Place(Program(L"unsigned"), L"bin\\unsigned.exe");
    const std::wstring regtestTool = product.Place(Program(L"unsigned"), L"bin\\regtest.EXE");
    const std::wstring notes = product.Place(Program(L"publisher"), L"notes.txt");
    ASSERT_TRUE(runList.SetText(L"plugins\\twenty.dll", L"ret=20"));
    ASSERT_TRUE(runList.SetText(L"plugins\\zero.dll", L"ret=0"));
    ASSERT_TRUE(runList.SetText(L"plugins\\negative.tpi", L"ret=-1"));
    ASSERT_TRUE(runList.SetText(L"plugins\\unsigned.dll", L"ret=0"));
    ASSERT_TRUE(runList.SetText(L"plugins\\regtest.DLL", L"/Regtest ret=0"));
    ASSERT_TRUE(runList.SetText(L"bin\\tool.exe", L"/u"));
    ASSERT_TRUE(runList.SetText(L"bin\\unsigned.exe", L"/u"));
    ASSERT_TRUE(runList.SetText(L"bin\\regtest.EXE", L"/Regtest"));
    ASSERT_TRUE(runList.SetText(L"notes.txt", L"ret=20"));
    ASSERT_TRUE(runList.SetText(L"plugins\\missing.dll", L"ret=20"));

    RunRunList(product.Path().c_str());

    // The test program is no product's: product name and pid are empty.
    EXPECT_THAT(Sorted(record.Lines()),
                ElementsAre(TextCallLine(negative, L"ret=-1", 260), TextCallLine(regtestDll, L"/Regtest ret=0", 260),
                            TextCallLine(twenty, L"ret=20", 21), TextCallLine(twenty, L"ret=20", 260),
                            TextCallLine(zero, L"ret=0", 260),
                            ShellRunLine(regtestTool, L"/Regtest --PRODUCT= --PID="),
                            ShellRunLine(tool, L"/u --PRODUCT= --PID=")));
    EXPECT_THAT(waits.Waits(), UnorderedElementsAre(Pair(tool, 60000u), Pair(regtestTool, 60000u)));

    std::vector<std::wstring> messages = log.Messages();
    EXPECT_THAT(messages, Contains(L"CallDllInterfaceEx return value=call2"));
    EXPECT_THAT(messages, Contains(L"file[" + unsignedDll + L"] check sign fail"));
    EXPECT_THAT(messages, Contains(L"call exe begin, path=[" + tool + L"] ,cmd=[/u --PRODUCT= --PID=]"));
    EXPECT_THAT(messages, Contains(L"call exe return [1], path=[" + tool + L"], cmd=[/u --PRODUCT= --PID=], sync[1]"));
    EXPECT_THAT(messages, Contains(L"call exe return [0], path=[" + unsignedTool +
                                   L"], cmd=[/u --PRODUCT= --PID=], sync[1]"));
    // Each existing file logs its extension; the two /Regtest ones say so.
    EXPECT_EQ(9u, log.Starting(L"file extension:").size());
    EXPECT_THAT(messages, Contains(L"file extension:.tpi"));
    EXPECT_THAT(messages, Contains(L"file extension:.txt"));
    EXPECT_EQ(2u, log.Starting(L"Regtest, no need to check sign.").size());
    (void)notes;
}

TEST_F(RunListTest, NothingRunsForAMissingFolderOrList) {
    product.Place(Program(L"publisher"), L"bin\\tool.exe");
    ASSERT_TRUE(runList.SetText(L"bin\\tool.exe", L"/u"));
    RunRunList(nullptr);
    RunRunList(product.Join(L"missing").c_str());
    EXPECT_THAT(record.Lines(), IsEmpty());
}

// The value "PID" of the product's per-user key, set while the object
// lives and restored afterwards.
class ScopedProductPid {
public:
    explicit ScopedProductPid(const wchar_t* pid) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) !=
            ERROR_SUCCESS)
            return;
        m_madeKey = disposition == REG_CREATED_NEW_KEY;
        wchar_t old[MAX_PATH] = {};
        DWORD bytes = sizeof(old) - sizeof(wchar_t);
        DWORD type = 0;
        m_hadValue = ::RegQueryValueExW(key, L"PID", nullptr, &type, reinterpret_cast<BYTE*>(old), &bytes) ==
                         ERROR_SUCCESS && type == REG_SZ;
        m_old = old;
        m_set = ::RegSetValueExW(key, L"PID", 0, REG_SZ, reinterpret_cast<const BYTE*>(pid),
                                 static_cast<DWORD>((wcslen(pid) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
    ~ScopedProductPid() {
        if (m_madeKey) {
            ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
            return;
        }
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        if (m_hadValue)
            ::RegSetValueExW(key, L"PID", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old.c_str()),
                             static_cast<DWORD>((m_old.size() + 1) * sizeof(wchar_t)));
        else
            ::RegDeleteValueW(key, L"PID");
        ::RegCloseKey(key);
    }
    bool Set() const { return m_set; }

private:
    static constexpr const wchar_t* kKey = L"Software\\VelaWallPaper";
    bool m_madeKey = false;
    bool m_hadValue = false;
    bool m_set = false;
    std::wstring m_old;
};

VORUD_TEST_CHILD(run_list) {
    if (argc < 2) return 16;
    g_SmartLogger.SetLogFile(argv[1]);
    RunRunList(argv[0]);
    return 0;
}

// Run from a copy of the test program placed beside the product's main
// program, the list's programs get the product's name and pid.
TEST_F(RunListTest, ProgramsGetTheNameAndPidOfTheProductBesideTheRunningProgram) {
    const std::wstring tool = product.Place(Program(L"publisher"), L"bin\\tool.exe");
    ASSERT_TRUE(runList.SetText(L"bin\\tool.exe", L"/uninstall"));
    product.Place(Program(L"unsigned"), L"rudare.exe");
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copy = product.Place(self, L"hooks_tests.exe");
    ASSERT_FALSE(copy.empty());
    ScopedProductPid pid(L"pid-4711");
    ASSERT_TRUE(pid.Set());

    ASSERT_EQ(0, RunProcess(copy, L"--vorud-child run_list \"" + product.Path() + L"\" \"" + log.Path() + L"\"",
                            product.Path(), 60000));
    EXPECT_THAT(record.Lines(), ElementsAre(ShellRunLine(tool, L"/uninstall --PRODUCT=rudare --PID=pid-4711")));
}

// A running copy of a list's program is terminated before it is started.
TEST_F(RunListTest, ARunningCopyOfAProgramIsTerminatedFirst) {
    const std::wstring tool = product.Place(Program(L"publisher"), L"bin\\tool.exe");
    ASSERT_TRUE(runList.SetText(L"bin\\tool.exe", L"/u"));
    RunningProgram first(tool);
    ASSERT_TRUE(first.Started());
    ASSERT_EQ(1u, record.WaitForLines(1).size());

    RunRunList(product.Path().c_str());
    EXPECT_TRUE(first.HasEnded(0)) << "the running copy was left running";
    EXPECT_EQ(ShellRunLine(tool, L"/u --PRODUCT= --PID="), record.WaitForLines(2).back());
}

// ----------------------------------------------------------------- file_pe

class FilePeTest : public HooksTest {
protected:
    ScopedHklmKey filePe{kProductKey, L"file_pe"};
};

TEST_F(FilePeTest, SignedDllsAndProgramsAreCalledWithTheirValueText) {
    ASSERT_TRUE(filePe.IsOpen());
    const std::wstring dll = product.Place(Dll(L"hook_uninst", L"publisher"), L"plugins\\pe.dll");
    const std::wstring unsignedDll = product.Place(Dll(L"hook_uninst", L"unsigned"), L"plugins\\unsigned.Dll");
    const std::wstring program = product.Place(Program(L"publisher"), L"bin\\pe.EXE");
    const std::wstring unsignedProgram = product.Place(Program(L"unsigned"), L"bin\\unsigned.exe");
    const std::wstring tooLong = product.Place(Program(L"publisher"), L"bin\\long.exe");
    product.Place(Dll(L"hook_uninst", L"publisher"), L"plugins\\pe.tpi");
    ASSERT_TRUE(filePe.SetText(L"plugins\\pe.dll", L"/arg"));
    ASSERT_TRUE(filePe.SetText(L"plugins\\unsigned.Dll", L"/arg"));
    ASSERT_TRUE(filePe.SetText(L"bin\\pe.EXE", L"/quiet"));
    ASSERT_TRUE(filePe.SetText(L"bin\\unsigned.exe", L"/quiet"));
    ASSERT_TRUE(filePe.SetText(L"plugins\\pe.tpi", L"/arg"));
    ASSERT_TRUE(filePe.SetText(L"bin\\missing.exe", L"/quiet"));
    // More than 4096 bytes of text: the value is skipped.
    ASSERT_TRUE(filePe.SetText(L"bin\\long.exe", std::wstring(2048, L'x')));

    CallFilePeUninstallers(product.Path().c_str());

    EXPECT_THAT(Sorted(record.Lines()), ElementsAre(CallLine(L"Uninst", dll, L"/arg"),
                                                    ShellRunLine(program, L"/quiet /uninstall /product=vorud")));
    EXPECT_THAT(waits.Waits(), ElementsAre(Pair(program, 50000u)));
    std::vector<std::wstring> messages = log.Messages();
    EXPECT_THAT(messages, Contains(L"file[" + unsignedDll + L"] check sign fail."));
    EXPECT_THAT(messages, Contains(L"call dll func start, path=[" + dll + L"]"));
    EXPECT_THAT(messages, Contains(L"call exe return [0], path=[" + unsignedProgram +
                                   L"], cmd=[/quiet /uninstall /product=vorud], sync[1]"));
    EXPECT_THAT(messages, Not(Contains(L"call exe begin, path=[" + tooLong + L"] cmd=[" + std::wstring(2048, L'x') +
                                       L" /uninstall /product=vorud]")));
}

TEST_F(FilePeTest, NothingRunsForAMissingFolder) {
    product.Place(Dll(L"hook_uninst", L"publisher"), L"plugins\\pe.dll");
    ASSERT_TRUE(filePe.SetText(L"plugins\\pe.dll", L"/arg"));
    CallFilePeUninstallers(nullptr);
    CallFilePeUninstallers(product.Join(L"missing").c_str());
    EXPECT_THAT(record.Lines(), IsEmpty());
}

// ------------------------------------------------------------ desktop guard

TEST_F(HooksTest, TheGuardToolGetsItsUninstallCommandLine) {
    const std::wstring tool = product.Place(Program(L"publisher"), L"Utils\\ridivod.exe");
    RunGuardUninstall(product.Path());
    EXPECT_THAT(record.Lines(), ElementsAre(L"run \"" + tool + L"\" /UnInstallDesk /LockHomePagePath=\"" + tool +
                                            L"\" /Pid=tiko"));
    EXPECT_THAT(log.Messages(), IsEmpty());
}

TEST_F(HooksTest, AnUnsignedOrMissingGuardToolIsNotStarted) {
    RunGuardUninstall(product.Path());
    product.Place(Program(L"unsigned"), L"Utils\\ridivod.exe");
    RunGuardUninstall(product.Path());
    EXPECT_THAT(record.Lines(), IsEmpty());
}

// An empty install folder is no folder: nothing is looked for relative to
// the current folder.
TEST_F(HooksTest, AnEmptyInstallFolderFindsNoHookInTheCurrentFolder) {
    product.Place(Program(L"publisher"), L"Utils\\ridivod.exe");
    product.Place(Program(L"publisher"), L"bin\\w0.exe");
    CSetupConfig config;
    ASSERT_TRUE(Load(config, L"<CallProgramOnUninst><Program FileName=\"bin\\w0.exe\" Type=\"exe\"/>"
                             L"</CallProgramOnUninst>"));
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(::SetCurrentDirectoryW(product.Path().c_str()));
    RunGuardUninstall(L"");
    RunCallProgramOnUninst(config, L"");
    ::SetCurrentDirectoryW(current);
    EXPECT_THAT(record.Lines(), IsEmpty());
}

TEST_F(HooksTest, AGuardToolThatOutlastsFiveSecondsIsLoggedAndLeftRunning) {
    const std::wstring tool = product.Place(Program(L"publisher"), L"Utils\\ridivod.exe");
    ::SetEnvironmentVariableW(L"VORUD_FIXTURE_SLEEP_MS", L"6500");
    DWORD start = ::GetTickCount();
    RunGuardUninstall(product.Path());
    DWORD elapsed = ::GetTickCount() - start;
    ::SetEnvironmentVariableW(L"VORUD_FIXTURE_SLEEP_MS", nullptr);

    EXPECT_GE(elapsed, 4900u);
    EXPECT_THAT(log.Messages(), ElementsAre(L"\u7b49\u5f85\u8fdb\u7a0b\u9000\u51fa\u8d85\u65f6"));
    // Still running: its program file cannot be deleted until it ends.
    EXPECT_FALSE(::DeleteFileW(tool.c_str()));
    EXPECT_TRUE(WaitUntil([&] { return ::DeleteFileW(tool.c_str()) != FALSE; }, 10000));
}

}  // namespace
