// XML fixtures for the configuration tests: COM for the test's thread and
// documents written the way the installer writes them.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

#include "test_support.h"

// COM on the calling thread for one test.
class ScopedCom {
public:
    ScopedCom() : m_ok(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ScopedCom() {
        if (m_ok) ::CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    bool m_ok;
};

// UTF-16 LE with a byte-order mark, as the shipped files are.
inline bool WriteUtf16Xml(const std::wstring& path, const std::wstring& body) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n" + body;
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return testing_support::WriteFileBytes(path, bytes);
}

inline bool WriteUtf8Xml(const std::wstring& path, const std::wstring& body) {
    return testing_support::WriteFileBytes(
        path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + testing_support::Narrow(body));
}
