// An open registry key closed when it goes, and the one way the program reads
// a string value.
#pragma once

#include <windows.h>

#include <string>

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }

    // RegOpenKeyExW; true when the key opened. access carries the view
    // (KEY_WOW64_32KEY) where one is needed.
    bool Open(HKEY root, const wchar_t* subKey, REGSAM access);
    void Close();
    HKEY Get() const { return m_key; }
    HKEY* Receive() {
        Close();
        return &m_key;
    }
    explicit operator bool() const { return m_key != nullptr; }

    // A REG_SZ or REG_EXPAND_SZ value read into a buffer of capacityBytes
    // (longer values do not fit and fail); false when it cannot be read or
    // holds no text.
    bool ReadString(const wchar_t* name, DWORD capacityBytes, std::wstring* text) const;

    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

private:
    HKEY m_key = nullptr;
};

// Opens the key for reading and reads one string value of at most
// maxChars characters.
bool ReadRegistryString(HKEY root, const wchar_t* subKey, REGSAM view, const wchar_t* name, DWORD maxChars,
                        std::wstring* text);
