#include "engine/process_kill.h"

#include <psapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>

#include "base/handle.h"
#include "base/seh_guard.h"
#include "base/smart_logger.h"
#include "engine/wallpaper.h"

const wchar_t kProductQuitEventName[] = L"ecseqm_6328RV0M-9610-5IRA-CZ91-6M8Q8830007Q";

namespace {

const DWORD kMaxProcessIds = 2048;
const DWORD kImagePathChars = 1024;
// Paths compared against an image are taken to at most this many characters.
const size_t kMaxTargetChars = MAX_PATH;
// The guards of the folder-wide operations: a drive root, or anything that
// short, would match far more than the product.
const size_t kShortestKillFolder = 4;
const DWORD kMainProgramWaitMs = 10000;

const wchar_t kMainProgram[] = L"rudare.exe";
const wchar_t kHelperProgram[] = L"web_helper.exe";
const wchar_t kSupportLibrary[] = L"Utils\\Assist.dll";
// Programs directly in the folder that the folder-wide termination leaves.
const wchar_t* const kIgnoredPrograms[] = {L"a.exe"};

std::wstring UpperCase(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring JoinPath(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

// Whether the image lies in the folder: the folder's text followed by a
// backslash (or the folder itself ending in one). Both are upper-cased.
bool ImageIsInFolder(const std::wstring& image, const std::wstring& folder) {
    if (folder.empty() || image.size() <= folder.size()) return false;
    if (image.compare(0, folder.size(), folder) != 0) return false;
    return folder.back() == L'\\' || image[folder.size()] == L'\\';
}

// The process list of EnumProcesses; false when it fails.
bool ListProcesses(DWORD* ids, DWORD* count) {
    DWORD bytes = 0;
    if (!::EnumProcesses(ids, kMaxProcessIds * sizeof(DWORD), &bytes)) return false;
    *count = bytes / sizeof(DWORD);
    return true;
}

// The image path of the process, upper-cased; empty when it cannot be read.
std::wstring UpperImagePath(DWORD processId) {
    wchar_t image[kImagePathChars] = {};
    if (!GetProcessImagePath(processId, image, kImagePathChars)) return std::wstring();
    return UpperCase(image);
}

// Terminates the process with the exit code when it can be opened for that.
void TerminateById(DWORD processId, DWORD access, UINT exitCode) {
    CHandle process(::OpenProcess(access, FALSE, processId));
    if (process) ::TerminateProcess(process.Get(), exitCode);
}

// Enables the debug privilege with a token opened for that access; the
// AdjustTokenPrivileges result.
bool EnableDebugPrivilege(DWORD tokenAccess) {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), tokenAccess, &rawToken)) return false;
    CHandle token(rawToken);
    TOKEN_PRIVILEGES privileges = {};
    if (!::LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid)) return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr) != FALSE;
}

void GetDebugPrivilegeCall(void*) { GetDebugPrivilege(); }

// GetDebugPrivilege with a structured exception raised inside it turned into
// false (the token handle is then left open: the frames are abandoned).
bool GetDebugPrivilegeGuarded() { return RunSehGuarded(&GetDebugPrivilegeCall, nullptr); }

// The id of the process that started this one; (DWORD)-1 when unknown.
DWORD ParentProcessId() {
    typedef NTSTATUS(NTAPI * QueryInformationProcessFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return static_cast<DWORD>(-1);
    auto query =
        reinterpret_cast<QueryInformationProcessFn>(::GetProcAddress(ntdll, "NtQueryInformationProcess"));
    if (!query) return static_cast<DWORD>(-1);
    CHandle self(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, ::GetCurrentProcessId()));
    if (!self) return static_cast<DWORD>(-1);
    PROCESS_BASIC_INFORMATION information = {};
    ULONG length = 0;
    if (!NT_SUCCESS(query(self.Get(), ProcessBasicInformation, &information, sizeof(information), &length)))
        return static_cast<DWORD>(-1);
    return static_cast<DWORD>(information.InheritedFromUniqueProcessId);
}

}  // namespace

bool GetDebugPrivilege() { return EnableDebugPrivilege(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY); }

DWORD GetProcessImagePath(DWORD processId, wchar_t* buffer, DWORD capacity) {
    if (!buffer || capacity < 100) return 0;
    CHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) {
        WriteLog(L"[kill] OpenProcess Failed: pid = %d, error = %d", static_cast<int>(processId),
                 static_cast<int>(::GetLastError()));
        return 0;
    }
    wchar_t image[kImagePathChars] = {};
    DWORD length = ::GetModuleFileNameExW(process.Get(), nullptr, image, kImagePathChars);
    if (length == 0) {
        WriteLog(L"[kill] GetModuleFileNameEx Failed: pid = %d, error = %d", static_cast<int>(processId),
                 static_cast<int>(::GetLastError()));
        return 0;
    }
    image[kImagePathChars - 1] = L'\0';
    if (std::wcschr(image, L'~')) {
        wchar_t longImage[kImagePathChars] = {};
        DWORD longLength = ::GetLongPathNameW(image, longImage, kImagePathChars);
        if (longLength > 0 && longLength < kImagePathChars) ::lstrcpynW(image, longImage, kImagePathChars);
    }
    ::lstrcpynW(buffer, image, static_cast<int>(capacity));
    return length;
}

bool IsProcessRunning(const wchar_t* path, bool compareFullPath) {
    if (!path) return false;
    GetDebugPrivilegeGuarded();
    DWORD ids[kMaxProcessIds];
    DWORD count = 0;
    if (!ListProcesses(ids, &count)) return false;
    std::wstring target = UpperCase(std::wstring(path).substr(0, kMaxTargetChars));
    // Without the full path, the file names are compared.
    if (!compareFullPath) target = std::wstring(::PathFindFileNameW(target.c_str()));
    for (DWORD i = 0; i < count; ++i) {
        std::wstring image = UpperImagePath(ids[i]);
        if (image.empty()) continue;
        const wchar_t* compared = compareFullPath ? image.c_str() : ::PathFindFileNameW(image.c_str());
        if (::lstrcmpiW(compared, target.c_str()) == 0) {
            WriteLog(L"process: %s is running", image.c_str());
            return true;
        }
    }
    return false;
}

void KillProcessByPath(const wchar_t* path) {
    if (!path || std::wcslen(path) > kMaxTargetChars) return;
    GetDebugPrivilegeGuarded();
    DWORD ids[kMaxProcessIds];
    DWORD count = 0;
    if (!ListProcesses(ids, &count)) return;
    std::wstring target = UpperCase(path);
    for (DWORD i = 0; i < count; ++i) {
        std::wstring image = UpperImagePath(ids[i]);
        if (image.empty() || image != target) continue;
        TerminateById(ids[i], PROCESS_TERMINATE, 0);
        WriteLog(L"Kill process: %s", image.c_str());
    }
}

int KillMultiProcesses(const wchar_t* folder, int* count) {
    WriteLog(L"enter KillMultiProcesses");
    if (count) *count = 0;
    if (!folder) return 0;
    size_t folderLength = std::wcslen(folder);
    if (folderLength < kShortestKillFolder || folderLength > kMaxTargetChars) return 0;

    if (!GetDebugPrivilegeGuarded()) WriteLog(L"GetDebugPrivilege \u5f02\u5e38");

    DWORD ids[kMaxProcessIds];
    DWORD listed = 0;
    if (!ListProcesses(ids, &listed)) {
        WriteLog(L"EnumProcesses fail dwError = %lu", static_cast<unsigned long>(::GetLastError()));
        return 0;
    }

    std::wstring upperFolder = UpperCase(folder);
    DWORD ownId = ::GetCurrentProcessId();
    DWORD parentId = ParentProcessId();
    int killed = 0;
    for (DWORD i = 0; i < listed; ++i) {
        if (ids[i] == ownId || ids[i] == parentId) continue;
        std::wstring image = UpperImagePath(ids[i]);
        if (!ImageIsInFolder(image, upperFolder)) continue;
        bool ignored = false;
        for (const wchar_t* name : kIgnoredPrograms) {
            if (::lstrcmpiW(image.c_str(), JoinPath(upperFolder, name).c_str()) == 0) ignored = true;
        }
        if (ignored) {
            WriteLog(L"Ignore process : %s", image.c_str());
            continue;
        }
        TerminateById(ids[i], PROCESS_TERMINATE, 0);
        WriteLog(L"Kill process: %s", image.c_str());
        ++killed;
    }
    if (count) *count = killed;
    WriteLog(L"end KillMultiProcesses");
    return 0;
}

void KillProcessesInInstallPath(ISetupConfig* config, const std::wstring& installDir) {
    {
        CHandle quitEvent(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kProductQuitEventName));
        if (quitEvent) ::SetEvent(quitEvent.Get());
    }
    WriteLog(L"enter KillProcessesInInstallPath szTargetDir=%s", installDir.c_str());
    if (installDir.size() <= kShortestKillFolder) return;

    const std::wstring mainProgram = JoinPath(installDir, kMainProgram);
    const std::wstring helperProgram = JoinPath(installDir, kHelperProgram);
    DWORD start = ::GetTickCount();
    do {
        if (!IsProcessRunning(mainProgram.c_str(), true) && !IsProcessRunning(helperProgram.c_str(), true)) return;
    } while (::GetTickCount() - start <= kMainProgramWaitMs);

    KillMultiProcesses(installDir.c_str(), nullptr);
    // The live wallpaper is gone with the product; the ordinary one comes back.
    RestoreDesktopWallpaper();
    WriteLog(L"end KillProcessesInInstallPath");
}

bool ProcessHasModule(DWORD processId, const wchar_t* modulePath) {
    if (!modulePath) return false;
    CHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) return false;
    CHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return false;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    for (BOOL more = ::Module32FirstW(snapshot.Get(), &module); more; more = ::Module32NextW(snapshot.Get(), &module)) {
        wchar_t name[MAX_PATH] = {};
        if (!::GetModuleFileNameExW(process.Get(), module.hModule, name, MAX_PATH)) continue;
        if (::lstrcmpiW(name, modulePath) == 0) return true;
    }
    return false;
}

void KillAssistDllUsers(const std::wstring& installDir) {
    EnableDebugPrivilege(TOKEN_ADJUST_PRIVILEGES);
    CHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    const std::wstring library = JoinPath(installDir.substr(0, kMaxTargetChars), kSupportLibrary);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (ProcessHasModule(entry.th32ProcessID, library.c_str()))
            TerminateById(entry.th32ProcessID, PROCESS_ALL_ACCESS, static_cast<UINT>(-1));
    }
}
