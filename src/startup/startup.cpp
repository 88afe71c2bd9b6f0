#include "startup/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include <clocale>
#include <string>

#include "base/app_module.h"
#include "base/gdiplus_headers.h"
#include "base/registry_key.h"
#include "base/silent_flag.h"
#include "base/smart_logger.h"
#include "engine/uninstall_task.h"
#include "startup/command_parser.h"
#include "startup/startup_messages.h"

const wchar_t kLogFileName[] = L"vorud_uninst.log";
const wchar_t kProductAppPathKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe";

namespace {

// Resources taken by the start-up that the shutdown sequence gives back.
struct StartupState {
    bool comInitialized = false;
    ULONG_PTR gdiplusToken = 0;
};

void PrepareLogFile() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return;
    std::wstring path(temp, length);
    if (path.back() != L'\\') path += L'\\';
    path += kLogFileName;
    g_SmartLogger.SetLogFile(path.c_str());
}

// The product folder: the App Paths value "path" (32-bit view), when it names
// a path that exists.
bool LookUpProductFolder(std::wstring* folder) {
    std::wstring value;
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, kProductAppPathKey, KEY_WOW64_32KEY, L"path", MAX_PATH, &value) ||
        value.empty() || ::GetFileAttributesW(value.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    *folder = value;
    return true;
}

// The folder of the running program, without a trailing backslash.
std::wstring RunningProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

// The wizard's window and message loop; the uninstall itself runs from it.
int RunMainWindow(const wchar_t* commandLineTail, int showCommand) {
    (void)commandLineTail;
    (void)showCommand;
    WriteLog(L"main window is not available in this build, nothing to show");
    return 0;
}

// The relocated copy: find the product, check the environment, read the
// embedded setup project and hand over to the wizard.
void RunSecondStage(HINSTANCE instance, const wchar_t* tail, int showCommand, CCommandParser* commandLine) {
    // 13. The product folder.
    std::wstring productFolder;
    if (!LookUpProductFolder(&productFolder)) {
        ShowStartupMessage(kDamagedText, MB_OK);
        return;
    }

    // 14. The engine works on that folder.
    g_UninstallTask.SetInstallDir(productFolder.c_str());

    // 15. The relocated copy's folder is the current directory.
    std::wstring ownFolder = RunningProgramFolder();
    if (!ownFolder.empty()) ::SetCurrentDirectoryW(ownFolder.c_str());

    // 16. Restoration instead of uninstalling arrives with the registration
    // restore; nothing is removed in that mode.
    if (commandLine && commandLine->HasOption(L"/K")) return;

    // 21. The program's own signature and 7z.dll.
    int code = g_UninstallTask.PreInitCheck();
    if (code != kPreInitOk) {
        WriteLog(L"pre init check failed, ret = %d", code);
        ShowStartupMessage(GetPreInitErrorText(code), MB_OK);
        ::Sleep(3000);
        return;
    }

    // 22. The embedded setup project.
    if (!g_UninstallTask.InitConfig(instance, 209, L"SETUPCONFIG", L"vorud.ovnprj")) {
        WriteLog(L"init config failed, exit");
        ShowDamagedDialog();
        ::Sleep(3000);
        return;
    }
    RunMainWindow(tail, showCommand);
}

// The one way out of a started process.
int Shutdown(StartupState& state) {
    WriteLog(L"exit");
    g_AppModule.Term();
    if (state.comInitialized) ::CoUninitialize();
    if (state.gdiplusToken) Gdiplus::GdiplusShutdown(state.gdiplusToken);
    state = StartupState();
    return 0;
}

}  // namespace

int RunUninstallerProcess(HINSTANCE instance, const wchar_t* commandLineTail, int showCommand) {
    StartupState state;
    const wchar_t* tail = commandLineTail ? commandLineTail : L"";

    // 1. COM, single-threaded apartment.
    state.comInitialized = SUCCEEDED(::CoInitialize(nullptr));

    // 2. Make sure user32 is initialised before the common controls.
    ::DefWindowProcW(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);

    // 3. The runtime runs in the Chinese (Simplified) locale; the log's
    // encoding follows from it.
    std::setlocale(LC_ALL, "chs");

    // 4. The application module.
    g_AppModule.Init(instance);

    // 5. The log file.
    PrepareLogFile();
    WriteLog(L"start, command line: [%s]", tail);

    // 6. The switches.
    CCommandParser* commandLine = CCommandParser::Instance();
    if (commandLine) commandLine->Parse(tail);

    // 8. GDI+.
    Gdiplus::GdiplusStartupInput gdiplusInput;
    if (Gdiplus::GdiplusStartup(&state.gdiplusToken, &gdiplusInput, nullptr) != Gdiplus::Ok)
        state.gdiplusToken = 0;

    // 10. The silent flag: from here on no message box shows itself.
    SetSilentFlag(commandLine && commandLine->IsSilent());

    // 12./13. The first stage relocates itself; the second does the work.
    if (commandLine && commandLine->HasOption(L"/READYUNINSTALL"))
        RunSecondStage(instance, tail, showCommand, commandLine);

    return Shutdown(state);
}
