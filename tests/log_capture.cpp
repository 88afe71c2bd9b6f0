#include "log_capture.h"

#include <windows.h>

#include "base/smart_logger.h"
#include "base/text_convert.h"

ScopedLogCapture::ScopedLogCapture() : m_path(m_dir.Join(L"uninst.log")), m_previous(g_SmartLogger.GetLogFile()) {
    g_SmartLogger.SetLogFile(m_path.c_str());
}

ScopedLogCapture::~ScopedLogCapture() { g_SmartLogger.SetLogFile(m_previous.c_str()); }

std::vector<std::wstring> ScopedLogCapture::Messages() const {
    // The log is written in the runtime locale's code page.
    UINT codePage = ___lc_codepage_func();
    std::wstring text = MultiByteToWide(testing_support::ReadFileBytes(m_path), codePage ? codePage : CP_ACP);
    std::vector<std::wstring> messages;
    const size_t stampLength = 20;  // "yyyy-mm-dd hh:mm:ss "
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(begin, end - begin);
        begin = end + 1;
        while (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty() || line.find(L"================== Start Log:") != std::wstring::npos) continue;
        messages.push_back(line.size() >= stampLength ? line.substr(stampLength) : line);
    }
    return messages;
}

bool ScopedLogCapture::Has(const std::wstring& message) const {
    for (const std::wstring& one : Messages())
        if (one == message) return true;
    return false;
}

std::vector<std::wstring> ScopedLogCapture::Starting(const std::wstring& prefix) const {
    std::vector<std::wstring> found;
    for (const std::wstring& one : Messages())
        if (one.compare(0, prefix.size(), prefix) == 0) found.push_back(one);
    return found;
}

bool ScopedLogCapture::HasInOrder(const std::vector<std::wstring>& expected, std::wstring* missing) const {
    std::vector<std::wstring> messages = Messages();
    size_t at = 0;
    for (const std::wstring& one : expected) {
        while (at < messages.size() && messages[at] != one) ++at;
        if (at == messages.size()) {
            if (missing) *missing = one;
            return false;
        }
        ++at;
    }
    return true;
}
