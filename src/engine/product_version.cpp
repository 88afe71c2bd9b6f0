#include "engine/product_version.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "base/windows_bitness.h"
#include "engine/windows_version.h"

namespace {

std::wstring FixedVersionText(const void* block) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (!::VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&fixed), &size) || !fixed ||
        size < sizeof(VS_FIXEDFILEINFO))
        return std::wstring();
    wchar_t text[64];
    swprintf(text, 64, L"%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

// The first translation's FileVersion string, with ',' made '.' and spaces
// removed; empty when no translation answers.
std::wstring StringVersionText(const void* block) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT size = 0;
    if (!::VerQueryValueW(block, L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                          &size) ||
        !translations)
        return std::wstring();
    for (UINT i = 0; i < size / sizeof(Translation); ++i) {
        wchar_t query[64];
        swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translations[i].language,
                 translations[i].codePage);
        wchar_t* value = nullptr;
        UINT length = 0;
        if (!::VerQueryValueW(block, query, reinterpret_cast<void**>(&value), &length) || !value) continue;
        std::wstring text;
        for (const wchar_t* c = value; *c; ++c) {
            if (*c == L' ') continue;
            text += *c == L',' ? L'.' : *c;
        }
        return text;
    }
    return std::wstring();
}

}  // namespace

std::wstring GetProductVersionText(const std::wstring& path) {
    return GetVersionText(path, IsWindows10OrLater() && !Is64BitWindows());
}

std::wstring GetVersionText(const std::wstring& path, bool preferStringVersion) {
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::wstring();
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::wstring();
    if (preferStringVersion) {
        std::wstring text = StringVersionText(block.data());
        if (!text.empty()) return text;
    }
    return FixedVersionText(block.data());
}
