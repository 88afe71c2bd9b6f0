#include "base/registry_key.h"

#include <vector>

bool CRegKey::Open(HKEY root, const wchar_t* subKey, REGSAM access) {
    Close();
    if (::RegOpenKeyExW(root, subKey, 0, access, &m_key) == ERROR_SUCCESS) return true;
    m_key = nullptr;
    return false;
}

void CRegKey::Close() {
    if (m_key) ::RegCloseKey(m_key);
    m_key = nullptr;
}

bool CRegKey::ReadString(const wchar_t* name, DWORD capacityBytes, std::wstring* text) const {
    if (!m_key || !text) return false;
    std::vector<wchar_t> buffer(capacityBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0;
    DWORD bytes = capacityBytes;
    if (::RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    // The stored text need not end in a terminator.
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    *text = buffer.data();
    return true;
}

bool ReadRegistryString(HKEY root, const wchar_t* subKey, REGSAM view, const wchar_t* name, DWORD maxChars,
                        std::wstring* text) {
    CRegKey key;
    return key.Open(root, subKey, KEY_QUERY_VALUE | view) &&
           key.ReadString(name, maxChars * static_cast<DWORD>(sizeof(wchar_t)), text);
}
