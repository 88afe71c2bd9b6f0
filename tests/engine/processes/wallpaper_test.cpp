// Finding and re-applying the ordinary desktop wallpaper. Every test puts
// the wallpaper setting, the registry value and the cached theme files back
// as they were.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>

#include "engine/wallpaper.h"
#include "engine/wallpaper_detail.h"
#include "test_support.h"

using testing_support::DeleteTree;
using testing_support::FileExists;
using testing_support::Narrow;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kWallpaperValue[] = L"Wallpaper";

// A 1 x 1 pixel 24-bit bitmap.
std::string TinyBitmap() {
    const unsigned char bytes[] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                 // file header
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,  // info header
        4, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x20, 0x40, 0x80, 0};  // one pixel, row padded to 4 bytes
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

std::wstring SystemWallpaper() {
    wchar_t path[MAX_PATH] = {};
    ::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    return path;
}

void SetSystemWallpaper(const std::wstring& path) {
    ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path.c_str()), SPIF_UPDATEINIFILE);
}

// A registry value as it was: its type and bytes, or missing.
struct SavedValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

SavedValue ReadValue(HKEY root, const wchar_t* keyPath, const wchar_t* name) {
    SavedValue saved;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return saved;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
        saved.bytes.resize(size);
        saved.present = ::RegQueryValueExW(key, name, nullptr, &saved.type, saved.bytes.data(), &size) == ERROR_SUCCESS;
        saved.bytes.resize(size);
    }
    ::RegCloseKey(key);
    return saved;
}

void WriteValue(HKEY root, const wchar_t* keyPath, const wchar_t* name, const SavedValue& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    if (value.present)
        ::RegSetValueExW(key, name, 0, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
    else
        ::RegDeleteValueW(key, name);
    ::RegCloseKey(key);
}

void WriteRegistryWallpaper(const std::wstring& path) {
    SavedValue value;
    value.present = true;
    value.type = REG_SZ;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(path.c_str());
    value.bytes.assign(bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
    WriteValue(HKEY_CURRENT_USER, kDesktopKey, kWallpaperValue, value);
}

std::wstring AppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

class WallpaperTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_comResult = ::CoInitialize(nullptr);
        m_systemWallpaper = SystemWallpaper();
        m_registryWallpaper = ReadValue(HKEY_CURRENT_USER, kDesktopKey, kWallpaperValue);

        // The cached theme files' folder, and the folders above it that the
        // tests may have to create.
        std::wstring folder = AppDataFolder();
        ASSERT_FALSE(folder.empty());
        for (const wchar_t* name : {L"Microsoft", L"Windows", L"Themes"}) {
            folder += L"\\";
            folder += name;
            if (!FileExists(folder)) m_createdFolders.push_back(folder);
        }
        m_cachedFiles = folder + L"\\CachedFiles";
        m_cachedFilesAside = folder + L"\\CachedFiles.vorud-test-aside";
        if (FileExists(m_cachedFiles)) {
            ASSERT_TRUE(::MoveFileW(m_cachedFiles.c_str(), m_cachedFilesAside.c_str()));
            m_movedAside = true;
        }

        m_wallpaper = m_temp.Join(L"wallpaper.bmp");
        ASSERT_TRUE(WriteFileBytes(m_wallpaper, TinyBitmap()));
        m_missing = m_temp.Join(L"missing.bmp");
    }

    void TearDown() override {
        SetSystemWallpaper(m_systemWallpaper);
        WriteValue(HKEY_CURRENT_USER, kDesktopKey, kWallpaperValue, m_registryWallpaper);
        DeleteTree(m_cachedFiles);
        if (m_movedAside) {
            EXPECT_TRUE(::MoveFileW(m_cachedFilesAside.c_str(), m_cachedFiles.c_str()));
        }
        for (auto folder = m_createdFolders.rbegin(); folder != m_createdFolders.rend(); ++folder)
            ::RemoveDirectoryW(folder->c_str());
        if (SUCCEEDED(m_comResult)) ::CoUninitialize();
    }

    void MakeCachedFilesFolder() {
        for (const std::wstring& folder : m_createdFolders) ::CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(::CreateDirectoryW(m_cachedFiles.c_str(), nullptr));
    }

    HRESULT m_comResult = E_FAIL;
    std::wstring m_systemWallpaper;
    SavedValue m_registryWallpaper;
    std::vector<std::wstring> m_createdFolders;
    std::wstring m_cachedFiles;
    std::wstring m_cachedFilesAside;
    bool m_movedAside = false;
    ScopedTempDir m_temp{L"wallpaper"};
    std::wstring m_wallpaper;
    std::wstring m_missing;
};

// What each source names.
enum class Names { kNothing, kExistingFile, kMissingFile };
enum class Cache { kNoFolder, kEmptyFolder, kOnlySubfolder, kSubfolderAndFile };
enum class Found { kNothing, kExistingFile, kCachedFile };

struct SourceCase {
    const char* name;
    Names system;    // set with SPI_SETDESKWALLPAPER
    Names registry;  // then written to the registry value
    Cache cache;
    bool windows10;
    Found found;
};

void PrintTo(const SourceCase& c, std::ostream* out) { *out << c.name; }

class WallpaperSourceTest : public WallpaperTest, public testing::WithParamInterface<SourceCase> {
protected:
    std::wstring PathFor(Names names) const {
        switch (names) {
            case Names::kExistingFile: return m_wallpaper;
            case Names::kMissingFile: return m_missing;
            default: return std::wstring();
        }
    }
};

TEST_P(WallpaperSourceTest, FindsTheFirstSourceNamingAnExistingFile) {
    const SourceCase& c = GetParam();
    SetSystemWallpaper(PathFor(c.system));
    WriteRegistryWallpaper(PathFor(c.registry));
    std::wstring cachedFile = m_cachedFiles + L"\\CachedImage_1280_1024_POS4.jpg";
    if (c.cache != Cache::kNoFolder) MakeCachedFilesFolder();
    if (c.cache == Cache::kOnlySubfolder || c.cache == Cache::kSubfolderAndFile) {
        ASSERT_TRUE(::CreateDirectoryW((m_cachedFiles + L"\\0-older").c_str(), nullptr));
    }
    if (c.cache == Cache::kSubfolderAndFile) {
        ASSERT_TRUE(WriteFileBytes(cachedFile, TinyBitmap()));
    }

    std::wstring found = wallpaper_detail::FindCurrentWallpaperPath(c.windows10);

    switch (c.found) {
        case Found::kNothing: EXPECT_EQ(Narrow(found), ""); break;
        case Found::kExistingFile: EXPECT_EQ(::lstrcmpiW(found.c_str(), m_wallpaper.c_str()), 0) << Narrow(found); break;
        case Found::kCachedFile: EXPECT_EQ(Narrow(found), Narrow(cachedFile)); break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, WallpaperSourceTest,
    testing::Values(
        SourceCase{"SystemSetting", Names::kExistingFile, Names::kExistingFile, Cache::kSubfolderAndFile, true,
                   Found::kExistingFile},
        SourceCase{"RegistryValue", Names::kNothing, Names::kExistingFile, Cache::kSubfolderAndFile, true,
                   Found::kExistingFile},
        SourceCase{"MissingFileFallsThroughToTheCache", Names::kMissingFile, Names::kMissingFile,
                   Cache::kSubfolderAndFile, true, Found::kCachedFile},
        SourceCase{"SolidColourFallsThroughToTheCache", Names::kNothing, Names::kNothing, Cache::kSubfolderAndFile,
                   true, Found::kCachedFile},
        SourceCase{"NoCacheBeforeWindows10", Names::kMissingFile, Names::kMissingFile, Cache::kSubfolderAndFile,
                   false, Found::kNothing},
        SourceCase{"NoCacheFolder", Names::kNothing, Names::kNothing, Cache::kNoFolder, true, Found::kNothing},
        SourceCase{"EmptyCacheFolder", Names::kNothing, Names::kNothing, Cache::kEmptyFolder, true, Found::kNothing},
        SourceCase{"CacheWithOnlyAFolder", Names::kMissingFile, Names::kNothing, Cache::kOnlySubfolder, true,
                   Found::kNothing}),
    [](const testing::TestParamInfo<SourceCase>& info) { return info.param.name; });

TEST_F(WallpaperTest, GetCurrentWallpaperPathReturnsTheSystemSetting) {
    SetSystemWallpaper(m_wallpaper);
    EXPECT_EQ(::lstrcmpiW(GetCurrentWallpaperPath().c_str(), m_wallpaper.c_str()), 0);
}

// The engine calls it on its worker (single-threaded apartment); it must also
// do no harm on a thread without COM or in the multithreaded apartment.
// Under Wine the Active Desktop answers E_NOTIMPL to everything, so nothing
// may change.
TEST_F(WallpaperTest, RestoreDesktopWallpaperLeavesTheSettingAsItIs) {
    SetSystemWallpaper(m_wallpaper);
    const std::wstring before = SystemWallpaper();
    const DWORD kNoCom = static_cast<DWORD>(-1);
    for (DWORD apartment : {kNoCom, static_cast<DWORD>(COINIT_APARTMENTTHREADED),
                            static_cast<DWORD>(COINIT_MULTITHREADED)}) {
        SCOPED_TRACE(apartment);
        HRESULT afterwards = E_FAIL;
        std::thread worker([&] {
            HRESULT initialised = apartment == kNoCom ? E_FAIL : ::CoInitializeEx(nullptr, apartment);
            RestoreDesktopWallpaper();
            // The thread's apartment is as it was: still initialised when it
            // was (S_FALSE), not initialised when it was not (S_OK).
            DWORD again = apartment == kNoCom ? static_cast<DWORD>(COINIT_APARTMENTTHREADED) : apartment;
            afterwards = ::CoInitializeEx(nullptr, again);
            if (SUCCEEDED(afterwards)) ::CoUninitialize();
            if (SUCCEEDED(initialised)) ::CoUninitialize();
        });
        worker.join();
        EXPECT_EQ(afterwards, apartment == kNoCom ? S_OK : S_FALSE);
        EXPECT_EQ(Narrow(SystemWallpaper()), Narrow(before));
    }
}

}  // namespace
