#include "base/smart_logger.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "base/text_convert.h"

CSmartLogger g_SmartLogger;

namespace {

std::wstring TimeStamp() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    wchar_t text[32];
    _snwprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
               now.wSecond);
    text[31] = L'\0';
    return text;
}

// The runtime locale's multibyte code page; the ANSI code page when the
// runtime still runs in the "C" locale.
UINT LogCodePage() {
    UINT codePage = ___lc_codepage_func();
    return codePage ? codePage : CP_ACP;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

CSmartLogger::CSmartLogger() : m_bannerPending(1) {}

CSmartLogger::~CSmartLogger() { Clear(); }

void CSmartLogger::SetLogFile(const wchar_t* path) {
    _BaseModule::CAutoLocker guard(m_lock);
    m_path = path ? path : L"";
    if (m_path.empty()) return;

    HANDLE file = ::CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size = {};
    BOOL gotSize = ::GetFileSizeEx(file, &size);
    ::CloseHandle(file);
    if (gotSize && size.QuadPart > kMaxFileBytes) ::DeleteFileW(m_path.c_str());
}

std::wstring CSmartLogger::GetLogFile() {
    _BaseModule::CAutoLocker guard(m_lock);
    return m_path;
}

int CSmartLogger::AddLine(const wchar_t* message) {
    _BaseModule::CAutoLocker guard(m_lock);
    std::wstring line = TimeStamp();
    if (message) line += message;
    if (line.empty() || line.back() != L'\n') line += L'\n';
    m_pending.push_back(line);
    if (m_pending.size() > 100) Flush();
    return static_cast<int>(m_pending.size());
}

int CSmartLogger::Flush() {
    _BaseModule::CAutoLocker guard(m_lock);
    if (m_path.empty()) return 0;

    int written = 0;
    std::wstring folder = FolderOf(m_path);
    if (!folder.empty() && !::PathIsDirectoryW(folder.c_str()))
        ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (folder.empty() || ::PathIsDirectoryW(folder.c_str())) {
        FILE* file = ::_wfopen(m_path.c_str(), L"a");
        if (file) {
            UINT codePage = LogCodePage();
            if (m_bannerPending) {
                std::wstring stamp = TimeStamp();
                wchar_t banner[96];
                _snwprintf(banner, 96, L"\r\n================== Start Log:%ls ==================\n", stamp.c_str());
                banner[95] = L'\0';
                std::string bytes = WideToMultiByte(banner, codePage);
                std::fwrite(bytes.data(), 1, bytes.size(), file);
                m_bannerPending = 0;
            }
            for (const std::wstring& line : m_pending) {
                std::string bytes = WideToMultiByte(line, codePage);
                std::fwrite(bytes.data(), 1, bytes.size(), file);
            }
            std::fflush(file);
            std::fclose(file);
            written = 1;
        }
    }
    Clear();
    return written;
}

void CSmartLogger::Clear() {
    _BaseModule::CAutoLocker guard(m_lock);
    m_pending.clear();
}

int WriteLogV(const wchar_t* format, va_list args) {
    if (!format) return 0;
    wchar_t message[CSmartLogger::kMaxMessageChars + 1];
    int length = _vsnwprintf(message, CSmartLogger::kMaxMessageChars, format, args);
    message[CSmartLogger::kMaxMessageChars] = L'\0';
    if (length < 0) return 0;  // longer than the buffer: dropped
    message[length] = L'\0';
    int pending = g_SmartLogger.AddLine(message);
    if (g_SmartLogger.Flush()) g_SmartLogger.Clear();
    return pending;
}

int WriteLog(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = WriteLogV(format, args);
    va_end(args);
    return result;
}
