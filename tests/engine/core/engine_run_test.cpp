// The whole run against a fake installed product: the engine, driven through
// its interface with the embedded setup project, calls the product's hooks in
// their order, asks the product to quit and terminates it, and ends with the
// support library's users; the log shows every step in its place.
#include "engine/uninstall_task.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/ui_thread_window.h"
#include "config/seven_zip_extract.h"
#include "engine/hooks/hooks_test_support.h"
#include "test_support.h"

using hooks_test::CallLine;
using hooks_test::Dll;
using hooks_test::kAppPathsKey;
using hooks_test::Program;
using hooks_test::Record;
using hooks_test::ScopedHklmKey;
using hooks_test::ShellRunLine;
using hooks_test::TextCallLine;
using namespace testing_support;

namespace {

class EndSignal : public IUninstallCallback {
public:
    void OnUninstallStart() override {}
    void OnUninstallProgress(int) override {}
    void OnUninstallEnd() override {}
    void OnRealInstallEnd() override { ::InterlockedExchange(&ended, 1); }
    volatile LONG ended = 0;
};

// A program of the fake product started for the test, terminated at the end
// if the engine left it running.
class ProductProcess {
public:
    ProductProcess(const std::wstring& program, const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (::CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &info)) {
            ::CloseHandle(info.hThread);
            m_process = info.hProcess;
        }
    }
    ~ProductProcess() {
        if (!m_process) return;
        if (::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_process, 99);
        ::CloseHandle(m_process);
    }
    bool Started() const { return m_process != nullptr; }
    // The exit code once it ended within the time, else STILL_ACTIVE.
    DWORD ExitCode(DWORD timeoutMs) const {
        DWORD code = STILL_ACTIVE;
        if (m_process && ::WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(m_process, &code);
        return code;
    }

    ProductProcess(const ProductProcess&) = delete;
    ProductProcess& operator=(const ProductProcess&) = delete;

private:
    HANDLE m_process = nullptr;
};

std::wstring Upper(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

size_t IndexOf(const std::vector<std::wstring>& lines, const std::wstring& line) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return lines.size();
}

TEST(EngineRunTest, UninstallsAFakeProductInTheStepOrder) {
    ASSERT_TRUE(CreateUIThreadWindow());
    const std::wstring root = L"C:\\vorud-engine-run";
    DeleteTree(root);
    const std::wstring install = root + L"\\Vela Wall";
    auto place = [&](const std::wstring& file, const std::wstring& relative) {
        std::wstring target = install + L"\\" + relative;
        ::SHCreateDirectoryExW(nullptr, target.substr(0, target.find_last_of(L'\\')).c_str(), nullptr);
        EXPECT_TRUE(::CopyFileW(file.c_str(), target.c_str(), FALSE)) << Narrow(relative);
        return target;
    };
    const std::wstring productProgram = ExeDir() + L"\\procs\\procs_product.exe";
    const std::wstring rudare = place(productProgram, L"rudare.exe");
    const std::wstring webHelper = place(productProgram, L"web_helper.exe");
    const std::wstring provider = place(Dll(L"hook_ds", L"publisher"), L"provider\\wpprovider.dll");
    const std::wstring vortana = place(Dll(L"hook_uninst", L"publisher"), L"wallpaperhelper\\Vortana12.dll");
    const std::wstring runListDll = place(Dll(L"hook_text", L"publisher"), L"plugins\\cleaner.dll");
    const std::wstring filePeExe = place(Program(L"publisher"), L"utils\\pe_helper.exe");
    const std::wstring guard = place(Program(L"publisher"), L"Utils\\ridivod.exe");
    const std::wstring assist = place(ExeDir() + L"\\procs\\Assist.dll", L"Utils\\Assist.dll");
    ASSERT_TRUE(WriteFileBytes(install + L"\\config.set", "[plugin_xd]\r\nuninstall_cmd_param=--uninstall-plugins\r\n"));
    // The plug-in launcher and a user of the support library live outside
    // the product folder.
    ::CreateDirectoryW((root + L"\\other").c_str(), nullptr);
    const std::wstring launcher = root + L"\\other\\plugin_launcher.exe";
    ASSERT_TRUE(::CopyFileW(Program(L"publisher").c_str(), launcher.c_str(), FALSE));
    const std::wstring host = root + L"\\other\\assist_host.exe";
    ASSERT_TRUE(::CopyFileW(productProgram.c_str(), host.c_str(), FALSE));

    ScopedHklmKey runList(std::wstring(kAppPathsKey) + L"\\rudare.exe", L"run_list");
    ScopedHklmKey filePe(std::wstring(kAppPathsKey) + L"\\rudare.exe", L"file_pe");
    ScopedHklmKey pluginLauncher(kAppPathsKey, L"VEVIrizizudoDizude.exe");
    ASSERT_TRUE(runList.SetText(L"plugins\\cleaner.dll", L"ret=0"));
    ASSERT_TRUE(filePe.SetText(L"utils\\pe_helper.exe", L"-q"));
    ASSERT_TRUE(pluginLauncher.SetText(L"Launcher", launcher));

    Record record;
    ScopedLogCapture log;
    ProductProcess rudareProcess(rudare, L"stay");
    ProductProcess webHelperProcess(webHelper, L"stay");
    ProductProcess hostProcess(host, L"load \"" + assist + L"\"");
    ASSERT_TRUE(rudareProcess.Started() && webHelperProcess.Started() && hostProcess.Started());
    ASSERT_EQ(3u, record.WaitForLines(3).size());

    // Start-up reads the project with COM initialised on the UI thread.
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    struct ComScope {
        ~ComScope() { ::CoUninitialize(); }
    } com;
    CUninstallTask task;
    ASSERT_TRUE(Load7zLibrary((ExeDir() + L"\\7z.dll").c_str()));
    ASSERT_TRUE(task.InitConfig(::GetModuleHandleW(nullptr), 209, L"SETUPCONFIG", L"vorud.ovnprj"));
    task.SetInstallDir(install.c_str());
    EndSignal callback;
    DWORD start = ::GetTickCount();
    task.StartUninstall(&callback);
    ASSERT_TRUE(WaitUntil([&] { return callback.ended != 0; }, 120000));
    DWORD elapsed = ::GetTickCount() - start;
    ASSERT_TRUE(WaitUntil([&] { return !task.Uninstaller().IsRunning(); }, 10000));

    // The product ignored the quit request, so it ran out the ten seconds
    // and was terminated; the library's user went at the end with -1.
    EXPECT_GE(elapsed, 10000u);
    EXPECT_EQ(0u, rudareProcess.ExitCode(5000));
    EXPECT_EQ(0u, webHelperProcess.ExitCode(5000));
    EXPECT_EQ(0xFFFFFFFFu, hostProcess.ExitCode(5000));

    // The hooks, in the order of the steps.
    std::vector<std::wstring> lines = record.Lines();
    const std::vector<std::wstring> hooks = {
        CallLine(L"DS", provider, L""),
        ShellRunLine(launcher, L"--uninstall-plugins"),
        TextCallLine(runListDll, L"ret=0", 260),
        ShellRunLine(filePeExe, L"-q /uninstall /product=vorud"),
        CallLine(L"Uninst", vortana, L""),
        L"run \"" + guard + L"\" /UnInstallDesk /LockHomePagePath=\"" + guard + L"\" /Pid=tiko",
    };
    size_t previous = 0;
    for (const std::wstring& hook : hooks) {
        size_t at = IndexOf(lines, hook);
        ASSERT_LT(at, lines.size()) << "not called: " << Narrow(hook);
        EXPECT_GE(at, previous) << "out of order: " << Narrow(hook);
        previous = at;
    }

    // The log, step by step.
    const std::vector<std::wstring> steps = {
        L"start uninstall thread...",
        L"start call program",
        L"call dll func start, path=[" + provider + L"]",
        L"call dll fun end, path=[" + provider + L"]",
        L"CPluginTask::StartTask result=1 code=0",
        L"Call Dll Interface Ex ,path=[" + runListDll + L"]",
        L"CallDllInterfaceEx return value=call1",
        L"call exe begin, path=[" + filePeExe + L"] cmd=[-q /uninstall /product=vorud]",
        L"start close all processes",
        L"enter KillProcessesInInstallPath szTargetDir=" + install,
        L"enter KillMultiProcesses",
        L"end KillMultiProcesses",
        L"end KillProcessesInInstallPath",
        L"call dll func start, path=[" + vortana + L"]",
        L"call dll fun end, path=[" + vortana + L"]",
        L"remove desktop shortcuts",
        L"remove start menu shortcuts",
        L"remove cef cache",
        L"remove file by registry",
        L"remove registry",
        L"remove autorun",
        L"start delete all files in " + install,
        L"end delete all files in " + install,
        L"start create runonce bat",
        L"re unistinfo ret=0",
    };
    std::wstring missing;
    EXPECT_TRUE(log.HasInOrder(steps, &missing)) << "missing or out of order: " << Narrow(missing);
    std::vector<std::wstring> messages = log.Messages();
    EXPECT_LT(IndexOf(messages, L"Kill process: " + Upper(rudare)), messages.size());
    EXPECT_LT(IndexOf(messages, L"Kill process: " + Upper(webHelper)), messages.size());

    DeleteTree(root);
}

}  // namespace
