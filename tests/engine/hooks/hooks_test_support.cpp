#include "hooks_test_support.h"

#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <mutex>

#include "config/xml_test_files.h"
#include "engine/program_runner.h"

using namespace testing_support;

namespace hooks_test {

const wchar_t kPublisher[] = L"\u6210\u90fd\u9752\u5c9a\u79d1\u6280\u6709\u9650\u516c\u53f8";
const wchar_t kOtherSigner[] = L"Some Other Software Co., Ltd.";
const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::string Narrow(const std::wstring& text) { return testing_support::Narrow(text); }

std::wstring Widen(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

namespace {

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        while (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool MakeFolders(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < 3) return true;
    std::wstring folder = path.substr(0, slash);
    if (FileExists(folder)) return true;
    if (!MakeFolders(folder)) return false;
    return ::CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
}

std::mutex g_waitLock;
std::vector<std::pair<std::wstring, DWORD>> g_waits;

void NoteWait(const wchar_t* path, DWORD milliseconds) {
    std::lock_guard<std::mutex> lock(g_waitLock);
    g_waits.emplace_back(path ? path : L"", milliseconds);
}

}  // namespace

std::wstring Fixture(const wchar_t* name, const wchar_t* variant, const wchar_t* extension) {
    return ExeDir() + L"\\hooks\\" + name + L"." + variant + L"." + extension;
}

ProductFolder::ProductFolder() : m_path(m_dir.Join(L"Vela WallPaper")) { ::CreateDirectoryW(m_path.c_str(), nullptr); }

std::wstring ProductFolder::Place(const std::wstring& file, const std::wstring& relative) const {
    std::wstring target = Join(relative);
    if (!MakeFolders(target) || !::CopyFileW(file.c_str(), target.c_str(), FALSE)) return std::wstring();
    return target;
}

bool ProductFolder::WriteText(const std::wstring& relative, const std::string& bytes) const {
    std::wstring target = Join(relative);
    return MakeFolders(target) && WriteFileBytes(target, bytes);
}

Record::Record() : m_path(m_dir.Join(L"record.txt")) {
    ::SetEnvironmentVariableW(L"VORUD_FIXTURE_RECORD", m_path.c_str());
}

Record::~Record() { ::SetEnvironmentVariableW(L"VORUD_FIXTURE_RECORD", nullptr); }

std::vector<std::wstring> Record::Lines() const { return SplitLines(Widen(ReadFileBytes(m_path))); }

std::vector<std::wstring> Record::WaitForLines(size_t count, DWORD timeoutMs) const {
    WaitUntil([&] { return Lines().size() >= count; }, timeoutMs);
    return Lines();
}

WaitLog::WaitLog() {
    {
        std::lock_guard<std::mutex> lock(g_waitLock);
        g_waits.clear();
    }
    SetProgramWaitObserver(&NoteWait);
}

WaitLog::~WaitLog() { SetProgramWaitObserver(nullptr); }

std::vector<std::pair<std::wstring, DWORD>> WaitLog::Waits() const {
    std::lock_guard<std::mutex> lock(g_waitLock);
    return g_waits;
}

ScopedHklmKey::ScopedHklmKey(const std::wstring& parent, const std::wstring& name) : m_parent(parent), m_name(name) {
    HKEY parentKey = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                          &parentKey, &disposition) != ERROR_SUCCESS)
        return;
    m_madeParent = disposition == REG_CREATED_NEW_KEY;
    ::RegDeleteTreeW(parentKey, name.c_str());  // left over from an earlier run
    ::RegCreateKeyExW(parentKey, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &m_key,
                      nullptr);
    ::RegCloseKey(parentKey);
}

ScopedHklmKey::~ScopedHklmKey() {
    if (m_key) ::RegCloseKey(m_key);
    HKEY parentKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_parent.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &parentKey) !=
        ERROR_SUCCESS)
        return;
    ::RegDeleteTreeW(parentKey, m_name.c_str());
    ::RegCloseKey(parentKey);
    if (m_madeParent) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, m_parent.c_str(), KEY_WOW64_32KEY, 0);
}

bool ScopedHklmKey::SetText(const std::wstring& name, const std::wstring& text) {
    return m_key && ::RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}


const wchar_t* SystemWidth() {
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    return (sizeof(void*) == 8 || wow64) ? L"64" : L"32";
}

bool WriteProject(const std::wstring& path, const std::wstring& content) {
    return WriteUtf16Xml(path, L"<Setup>\r\n" + content + L"</Setup>\r\n");
}

std::wstring ShellRunLine(const std::wstring& program, const std::wstring& parameters) {
    return L"run \"" + program + L"\" " + parameters;
}

std::wstring CallLine(const wchar_t* exportName, const std::wstring& module, const std::wstring& argument) {
    return std::wstring(exportName) + L" " + module + L" [" + argument + L"]";
}

std::wstring TextCallLine(const std::wstring& module, const std::wstring& argument, int capacity) {
    return L"UninstText " + module + L" [" + argument + L"] capacity=" + std::to_wstring(capacity);
}

RunningProgram::RunningProgram(const std::wstring& path) {
    std::wstring commandLine = L"\"" + path + L"\" --first-copy";
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ::SetEnvironmentVariableW(L"VORUD_FIXTURE_SLEEP_MS", L"120000");
    BOOL started =
        ::CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    ::SetEnvironmentVariableW(L"VORUD_FIXTURE_SLEEP_MS", nullptr);
    if (!started) return;
    ::CloseHandle(info.hThread);
    m_process = info.hProcess;
}

RunningProgram::~RunningProgram() {
    if (!m_process) return;
    if (::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, 5000);
    }
    ::CloseHandle(m_process);
}

bool RunningProgram::HasEnded(DWORD timeoutMs) const {
    return m_process && ::WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
}

TrustedHooksCa::TrustedHooksCa() : TrustedTestCa(testing_support::ExeDir() + L"\\hooks\\testca.cer") {}

}  // namespace hooks_test
