#include "test_support.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <map>

#include <vector>

namespace testing_support {

std::wstring ExeDir() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    return path;
}

std::wstring TempDir() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathW(MAX_PATH + 1, path);
    std::wstring result(path, length);
    while (!result.empty() && result.back() == L'\\') result.pop_back();
    return result;
}

ScopedTempDir::ScopedTempDir(const wchar_t* label) {
    static volatile LONG counter = 0;
    wchar_t name[64];
    swprintf(name, 64, L"vorud-test-%ls-%lu-%ld", label, ::GetCurrentProcessId(), ::InterlockedIncrement(&counter));
    m_path = TempDir() + L"\\" + name;
    DeleteTree(m_path);
    ::CreateDirectoryW(m_path.c_str(), nullptr);
}

ScopedTempDir::~ScopedTempDir() { DeleteTree(m_path); }

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool DeleteTree(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str());
    }
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            DeleteTree(path + L"\\" + name);
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((from + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return ok;
}

long RunProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                DWORD timeoutMs) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return -1;
    ::CloseHandle(process.hThread);
    long result = -2;
    if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        result = static_cast<long>(code);
    } else {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hProcess);
    return result;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start >= timeoutMs) return condition();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

namespace {

std::map<std::wstring, ChildMain>& Children() {
    static std::map<std::wstring, ChildMain> children;
    return children;
}

const wchar_t kChildSwitch[] = L"--vorud-child";

}  // namespace

ChildRegistrar::ChildRegistrar(const wchar_t* name, ChildMain main) { Children()[name] = main; }

long RunChild(const std::wstring& name, const std::wstring& arguments, DWORD timeoutMs) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring all = std::wstring(kChildSwitch) + L" " + name;
    if (!arguments.empty()) all += L" " + arguments;
    return RunProcess(exe, all, std::wstring(), timeoutMs);
}

bool RunChildIfAsked(int* result) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return false;
    bool isChild = argc >= 3 && std::wstring(argv[1]) == kChildSwitch;
    if (isChild) {
        auto it = Children().find(argv[2]);
        *result = it == Children().end() ? 127 : it->second(argc - 3, argv + 3);
    }
    ::LocalFree(argv);
    return isChild;
}

}  // namespace testing_support
