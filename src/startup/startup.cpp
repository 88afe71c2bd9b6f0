#include "startup/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include <clocale>
#include <string>

#include "base/app_module.h"
#include "base/gdiplus_headers.h"
#include "base/silent_flag.h"
#include "base/smart_logger.h"
#include "startup/command_parser.h"

const wchar_t kLogFileName[] = L"vorud_uninst.log";

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

    (void)showCommand;
    return Shutdown(state);
}
