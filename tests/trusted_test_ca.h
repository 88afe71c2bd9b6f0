// Trusts a test root CA (the current user's Root store) while the object
// lives. Wine reads the store once per process: checks that rely on it must
// run in a process started after it was added.
#pragma once

#include <windows.h>

#include <string>

class TrustedTestCa {
public:
    // The CA's certificate file (DER).
    explicit TrustedTestCa(const std::wstring& certificateFile);
    ~TrustedTestCa();
    bool Added() const { return m_added; }

    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;

private:
    bool m_added = false;
    std::wstring m_key;
};
