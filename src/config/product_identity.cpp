#include "config/product_identity.h"

#include <windows.h>
#include <shlwapi.h>

#include <map>

namespace {

typedef std::map<unsigned int, std::wstring> ProductTable;

const ProductTable g_mainExecutables = {{kVelaProductId, L"rudare.exe"}};
const ProductTable g_productNames = {{kVelaProductId, L"rudare"}};
const ProductTable g_registryKeys = {{kVelaProductId, L"SOFTWARE\\VelaWallPaper"}};

const wchar_t kPidValue[] = L"PID";

std::wstring Lookup(const ProductTable& table, unsigned int productId) {
    auto it = table.find(productId);
    return it == table.end() ? std::wstring() : it->second;
}

// Removes the last path component; false when there is none left to remove.
bool RemoveLastComponent(std::wstring* path) {
    size_t slash = path->find_last_of(L"\\/");
    if (slash == std::wstring::npos) return false;
    path->erase(slash);
    return !path->empty();
}

bool IsFile(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Products that keep their channel identifier per user.
bool KeepsPidPerUser(unsigned int productId) {
    switch (productId) {
    case 3: case 60: case 63: case 64: case 65: return true;
    default: return false;
    }
}

std::wstring ReadPidPerUser(const std::wstring& subKey) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer) - sizeof(wchar_t);  // room for a terminator
    if (::SHGetValueW(HKEY_CURRENT_USER, subKey.c_str(), kPidValue, &type, buffer, &size) != ERROR_SUCCESS)
        return std::wstring();
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::wstring();
    buffer[MAX_PATH - 1] = L'\0';
    return buffer;
}

std::wstring ReadPidPerMachine(const std::wstring& subKey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t buffer[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    LONG status = ::RegQueryValueExW(key, kPidValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::wstring();
    size_t chars = size / sizeof(wchar_t);
    if (chars == 0) return std::wstring();
    if (buffer[chars - 1] != L'\0') return std::wstring();  // not terminated
    return buffer;
}

}  // namespace

std::wstring GetProductMainExe(unsigned int productId) { return Lookup(g_mainExecutables, productId); }
std::wstring GetProductRegistryKey(unsigned int productId) { return Lookup(g_registryKeys, productId); }

unsigned int DetectProductId(int levelsUp) {
    if (levelsUp < 0) return 0;
    wchar_t module[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    std::wstring folder(module, length);
    for (int i = 0; i <= levelsUp; ++i)
        if (!RemoveLastComponent(&folder)) return 0;
    for (const auto& entry : g_mainExecutables)
        if (IsFile(folder + L"\\" + entry.second)) return entry.first;
    return 0;
}

std::wstring GetProductName(int levelsUp) { return Lookup(g_productNames, DetectProductId(levelsUp)); }

std::wstring GetProductPid(int levelsUp) {
    unsigned int productId = DetectProductId(levelsUp);
    std::wstring subKey = GetProductRegistryKey(productId);
    if (subKey.empty()) return std::wstring();
    return KeepsPidPerUser(productId) ? ReadPidPerUser(subKey) : ReadPidPerMachine(subKey);
}
