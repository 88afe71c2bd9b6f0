#include "engine/core/engine_log.h"

#include <windows.h>

#include "base/smart_logger.h"
#include "base/text_convert.h"

ScopedEngineLog::ScopedEngineLog() : m_dir(L"log"), m_path(m_dir.Join(L"engine.log")) {
    m_previous = g_SmartLogger.GetLogFile();
    g_SmartLogger.SetLogFile(m_path.c_str());
}

ScopedEngineLog::~ScopedEngineLog() { g_SmartLogger.SetLogFile(m_previous.c_str()); }

std::vector<std::wstring> ScopedEngineLog::Messages() const {
    std::wstring text = MultiByteToWide(testing_support::ReadFileBytes(m_path), 936);
    std::vector<std::wstring> messages;
    const size_t stampLength = 20;  // "yyyy-mm-dd hh:mm:ss "
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(begin, end - begin);
        while (!line.empty() && line.back() == L'\r') line.pop_back();
        begin = end + 1;
        if (line.empty() || line.find(L"Start Log:") != std::wstring::npos) continue;
        messages.push_back(line.size() > stampLength ? line.substr(stampLength) : std::wstring());
    }
    return messages;
}

bool ScopedEngineLog::HasInOrder(const std::vector<std::wstring>& expected, std::wstring* missing) const {
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

bool ScopedEngineLog::Contains(const std::wstring& message) const {
    for (const std::wstring& one : Messages())
        if (one == message) return true;
    return false;
}

bool ScopedEngineLog::ContainsPrefix(const std::wstring& prefix) const {
    for (const std::wstring& one : Messages())
        if (one.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}
