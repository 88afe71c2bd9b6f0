#include "config/temp_name.h"

#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <vector>

namespace {

const int kMaxAttempts = 10;
const DWORD kTempPathCapacity = 1024;

GuidSource g_guidSource = nullptr;

HRESULT NewGuid(GUID* guid) { return g_guidSource ? g_guidSource(guid) : ::CoCreateGuid(guid); }

bool PathExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::wstring FormatTempGuid(const GUID& guid) {
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"{%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

GuidSource SetTempGuidSource(GuidSource source) {
    GuidSource previous = g_guidSource;
    g_guidSource = source;
    return previous;
}

bool MakeTempName(std::wstring* path) {
    if (!path) return false;
    path->clear();
    std::vector<wchar_t> folder(kTempPathCapacity + 1, L'\0');
    DWORD length = ::GetTempPathW(kTempPathCapacity, folder.data());
    if (length == 0 || length > kTempPathCapacity) return false;
    std::wstring base(folder.data(), length);
    if (base.back() != L'\\') base += L'\\';

    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        GUID guid = {};
        if (FAILED(NewGuid(&guid))) continue;
        std::wstring candidate = base + FormatTempGuid(guid) + L".tmp";
        if (!PathExists(candidate)) {
            *path = candidate;
            return true;
        }
    }
    return false;
}
