#include "base/registry_key.h"
#include "engine/wallpaper.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "base/com_ptr.h"
#include "engine/wallpaper_detail.h"
#include "engine/windows_version.h"

// The shell's Active Desktop object. MinGW's headers do not declare it; only
// the leading operations of its interface are used, declared here in their
// slot order. The interface must not have internal linkage (no anonymous
// namespace): GCC would then take this file's abstract class for the only
// possible one and turn every call into a pure-virtual call.
namespace vorud_shell {

const CLSID kActiveDesktopClsid = {0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const IID kActiveDesktopIid = {0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

struct WallpaperOptions {
    DWORD dwSize;
    DWORD dwStyle;
};

struct IActiveDesktopLeading : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ApplyChanges(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWallpaper(PWSTR wallpaper, UINT capacity, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWallpaper(PCWSTR wallpaper, DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWallpaperOptions(WallpaperOptions* options, DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWallpaperOptions(const WallpaperOptions* options, DWORD reserved) = 0;
    // GetPattern, SetPattern and the desktop-item operations follow.
};

}  // namespace vorud_shell

namespace {

using vorud_shell::IActiveDesktopLeading;
using vorud_shell::WallpaperOptions;
using vorud_shell::kActiveDesktopClsid;
using vorud_shell::kActiveDesktopIid;

const DWORD kGetLastAppliedWallpaper = 2;  // AD_GETWP_LAST_APPLIED
const DWORD kApplyAll = 7;                 // AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH
const DWORD kApplyForce = 8;               // AD_APPLY_FORCE

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kWallpaperValue[] = L"Wallpaper";
const wchar_t kCachedThemeFiles[] = L"Microsoft\\Windows\\Themes\\CachedFiles";

CComPtr<IActiveDesktopLeading> CreateActiveDesktop() {
    void* created = nullptr;
    CComPtr<IActiveDesktopLeading> desktop;
    if (SUCCEEDED(::CoCreateInstance(kActiveDesktopClsid, nullptr, CLSCTX_INPROC_SERVER, kActiveDesktopIid, &created)))
        desktop.Attach(static_cast<IActiveDesktopLeading*>(created));
    return desktop;
}

bool NamesExistingFile(const wchar_t* path) {
    if (!path || !path[0]) return false;
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The string value "Wallpaper" of the user's desktop settings into the
// buffer of MAX_PATH characters; the buffer is left alone when it is missing.
void ReadRegistryWallpaper(wchar_t* buffer) {
    std::wstring value;
    if (!ReadRegistryString(HKEY_CURRENT_USER, kDesktopKey, 0, kWallpaperValue, MAX_PATH, &value)) return;
    ::lstrcpynW(buffer, value.c_str(), MAX_PATH);
}

// The first file of the cached theme files; empty when there is none.
std::wstring FirstCachedThemeFile() {
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return std::wstring();
    std::wstring folder = std::wstring(appData) + L"\\" + kCachedThemeFiles;
    WIN32_FIND_DATAW data = {};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring result;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!lstrcmpW(data.cFileName, L".") || !lstrcmpW(data.cFileName, L"..")) continue;
        result = folder + L"\\" + data.cFileName;
        break;
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return result;
}

// COM for the calling thread for as long as the object lives; only a
// successful CoInitialize is balanced (a thread already in the
// multithreaded apartment keeps using it).
class CComInitializer {
public:
    CComInitializer() : m_result(::CoInitialize(nullptr)) {}
    ~CComInitializer() {
        if (SUCCEEDED(m_result)) ::CoUninitialize();
    }
    CComInitializer(const CComInitializer&) = delete;
    CComInitializer& operator=(const CComInitializer&) = delete;

private:
    HRESULT m_result;
};

}  // namespace

namespace wallpaper_detail {

std::wstring FindCurrentWallpaperPath(bool windows10OrLater) {
    CComPtr<IActiveDesktopLeading> desktop = CreateActiveDesktop();
    wchar_t buffer[MAX_PATH] = {};
    if (!::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buffer, 0)) buffer[0] = L'\0';
    buffer[MAX_PATH - 1] = L'\0';
    if (!NamesExistingFile(buffer)) ReadRegistryWallpaper(buffer);
    if (!NamesExistingFile(buffer) && desktop) {
        wchar_t lastApplied[MAX_PATH] = {};
        if (SUCCEEDED(desktop->GetWallpaper(lastApplied, MAX_PATH, kGetLastAppliedWallpaper))) {
            lastApplied[MAX_PATH - 1] = L'\0';
            ::lstrcpynW(buffer, lastApplied, MAX_PATH);
        }
    }
    desktop.Release();
    if (NamesExistingFile(buffer)) return buffer;
    return windows10OrLater ? FirstCachedThemeFile() : std::wstring();
}

}  // namespace wallpaper_detail

std::wstring GetCurrentWallpaperPath() { return wallpaper_detail::FindCurrentWallpaperPath(IsWindows10OrLater()); }

void RestoreDesktopWallpaper() {
    CComInitializer com;
    CComPtr<IActiveDesktopLeading> desktop = CreateActiveDesktop();
    if (!desktop) return;
    WallpaperOptions options = {sizeof(WallpaperOptions), 0};
    if (desktop->GetWallpaperOptions(&options, 0) == S_OK) desktop->SetWallpaperOptions(&options, 0);
    std::wstring path = GetCurrentWallpaperPath();
    if (NamesExistingFile(path.c_str())) desktop->SetWallpaper(path.c_str(), 0);
    desktop->ApplyChanges((IsNT6OrLater() || IsWindows10OrLater()) ? (kApplyAll | kApplyForce) : kApplyAll);
}
