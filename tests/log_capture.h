// The process's log redirected into a fresh file while the object lives, and
// read back as messages without their time stamps.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

class ScopedLogCapture {
public:
    ScopedLogCapture();
    ~ScopedLogCapture();

    const std::wstring& Path() const { return m_path; }
    // Every logged message so far, in order, without the banners.
    std::vector<std::wstring> Messages() const;
    bool Has(const std::wstring& message) const;
    // The messages that begin with the prefix.
    std::vector<std::wstring> Starting(const std::wstring& prefix) const;
    // Whether the expected messages appear in this order (others may come
    // between them); the first one that does not goes to missing.
    bool HasInOrder(const std::vector<std::wstring>& expected, std::wstring* missing) const;

    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

private:
    testing_support::ScopedTempDir m_dir{L"log"};
    std::wstring m_path;
    std::wstring m_previous;
};
