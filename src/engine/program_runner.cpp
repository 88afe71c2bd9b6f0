#include "engine/program_runner.h"

#include <shellapi.h>

#include <climits>
#include <cwchar>
#include <memory>
#include <new>

#include "base/handle.h"
#include "base/seh_guard.h"
#include "base/smart_logger.h"
#include "engine/code_signature.h"
#include "engine/process_kill.h"

namespace {

// Export forms of the product's uninstall DLLs (the callee removes the
// arguments).
typedef void(WINAPI* UninstallEntry)(const wchar_t* argument);
typedef int(WINAPI* UninstallTextEntry)(const wchar_t* argument, wchar_t* buffer, int capacity);

// The quoted file text is at most this long.
const size_t kMaxFileText = 1023;
// Capacity of the first output buffer of a string-returning export.
const int kFirstTextCapacity = MAX_PATH;

ProgramWaitObserver g_waitObserver = nullptr;

bool FileExists(const wchar_t* path) { return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// Log arguments: a null text is logged as empty.
const wchar_t* Text(const wchar_t* text) { return text ? text : L""; }

// A module loaded with LoadLibraryW, freed when it goes.
class CLoadedLibrary {
public:
    explicit CLoadedLibrary(const wchar_t* path) : m_module(::LoadLibraryW(path)) {}
    ~CLoadedLibrary() {
        if (m_module) ::FreeLibrary(m_module);
    }
    HMODULE Get() const { return m_module; }
    FARPROC Find(const char* name) const { return m_module && name ? ::GetProcAddress(m_module, name) : nullptr; }

    CLoadedLibrary(const CLoadedLibrary&) = delete;
    CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

private:
    HMODULE m_module;
};

// One shell start, run under the structured-exception guard. The process
// handle is stored as soon as the shell returns it, so that the caller
// closes it even when an exception ends the call half-way.
struct ShellRun {
    const wchar_t* path;
    const wchar_t* file;
    const wchar_t* parameters;
    int showCommand;
    bool wait;
    DWORD waitMilliseconds;
    DWORD* exitCode;
    HANDLE process;
    bool started;
    bool result;
};

void RunShell(void* context) {
    ShellRun* run = static_cast<ShellRun*>(context);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = nullptr;
    info.lpVerb = L"open";
    info.lpFile = run->file;
    info.lpParameters = run->parameters;
    info.lpDirectory = nullptr;
    info.nShow = run->showCommand;
    run->started = ::ShellExecuteExW(&info) != FALSE;
    run->process = info.hProcess;
    run->result = run->started;

    if (run->started && run->wait) {
        if (g_waitObserver) g_waitObserver(run->path, run->waitMilliseconds);
        ::WaitForSingleObject(info.hProcess, run->waitMilliseconds);
    }
    if (run->exitCode) {
        if (!run->started)
            run->result = false;
        else
            ::GetExitCodeProcess(info.hProcess, run->exitCode);
    }
}

}  // namespace

void SetProgramWaitObserver(ProgramWaitObserver observer) { g_waitObserver = observer; }

bool RunProgram(const wchar_t* path, const wchar_t* parameters, int showCommand, bool signatureRequired,
                bool wait, DWORD* exitCode, DWORD waitMilliseconds) {
    if (!path || !*path || std::wcslen(path) > MAX_PATH || !FileExists(path)) return false;

    wchar_t file[kMaxFileText + 1] = {};
    _snwprintf(file, kMaxFileText, L"\"%s\"", path);
    file[kMaxFileText] = L'\0';

    if (signatureRequired && !IsSignedByPublisher(path)) return false;

    ShellRun run = {path, file, parameters, showCommand, wait, waitMilliseconds, exitCode, nullptr, false, false};
    bool completed = RunSehGuarded(&RunShell, &run);
    CHandle process(run.process);
    return completed && run.result;
}

void CallExeProgram(const wchar_t* path, const wchar_t* commandLine, bool signatureRequired, bool wait,
                    DWORD waitMilliseconds) {
    if (!path || !FileExists(path)) return;
    KillProcessByPath(path);
    WriteLog(L"call exe begin, path=[%s] cmd=[%s]", path, Text(commandLine));
    bool result = RunProgram(path, commandLine, SW_SHOWNORMAL, signatureRequired, wait, nullptr, waitMilliseconds);
    WriteLog(L"call exe return [%d], path=[%s], cmd=[%s], sync[%d]", result ? 1 : 0, path, Text(commandLine),
             wait ? 1 : 0);
}

void CallDllFunction(const wchar_t* path, const char* exportName, const wchar_t* argument,
                     bool signatureRequired) {
    if (!path) return;
    if (signatureRequired && !IsSignedByPublisher(path)) {
        WriteLog(L"file[%s] check sign fail.", path);
        return;
    }
    CLoadedLibrary library(path);
    if (!library.Get()) return;
    auto entry = reinterpret_cast<UninstallEntry>(library.Find(exportName));
    if (!entry) return;
    WriteLog(L"call dll func start, path=[%s]", path);
    entry(argument);
    WriteLog(L"call dll fun end, path=[%s]", path);
}

std::wstring CallDllInterfaceEx(const wchar_t* path, const char* exportName, const wchar_t* argument,
                                bool signatureRequired) {
    WriteLog(L"Call Dll Interface Ex ,path=[%s]", Text(path));
    if (!path) return std::wstring();
    if (signatureRequired && !IsSignedByPublisher(path)) {
        WriteLog(L"file[%s] check sign fail", path);
        return std::wstring();
    }
    CLoadedLibrary library(path);
    if (!library.Get()) return std::wstring();
    auto entry = reinterpret_cast<UninstallTextEntry>(library.Find(exportName));
    if (!entry) return std::wstring();

    WriteLog(L"call dll func start, path=[%s]", path);
    wchar_t first[kFirstTextCapacity + 1] = {};
    int count = entry(argument, first, kFirstTextCapacity);
    first[kFirstTextCapacity] = L'\0';
    std::wstring result(first);
    if (count > 0 && count < INT_MAX) {
        // The export said how much room its text needs: once more with that
        // much plus the terminator (and one more null of our own after it).
        const int capacity = count + 1;
        std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[static_cast<size_t>(capacity) + 1]());
        if (buffer) {
            entry(argument, buffer.get(), capacity);
            buffer[static_cast<size_t>(capacity)] = L'\0';
            result = buffer.get();
        }
    }
    WriteLog(L"call dll fun end, path=[%s]", path);
    return result;
}
