// The process's log redirected into a fresh file for one test, read back as
// messages without their time stamps.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

class ScopedEngineLog {
public:
    ScopedEngineLog();
    ~ScopedEngineLog();

    // Every logged message so far, in order, without the banner.
    std::vector<std::wstring> Messages() const;
    // Whether the messages hold the expected ones in this order (others may
    // come between them).
    bool HasInOrder(const std::vector<std::wstring>& expected, std::wstring* missing) const;
    bool Contains(const std::wstring& message) const;
    bool ContainsPrefix(const std::wstring& prefix) const;

    ScopedEngineLog(const ScopedEngineLog&) = delete;
    ScopedEngineLog& operator=(const ScopedEngineLog&) = delete;

private:
    testing_support::ScopedTempDir m_dir;
    std::wstring m_path;
    std::wstring m_previous;
};
