// Product identity: the product is found by its main executable next to (or
// above) the running program, and its channel identifier comes from the
// per-user key.
#include "config/product_identity.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

using testing_support::ExeDir;
using testing_support::Narrow;
using testing_support::ReadFileBytes;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

namespace {

const wchar_t kProductKey[] = L"SOFTWARE\\VelaWallPaper";

// Writes "id|name|pid" for levels up -1, 0 and 1, one line each, to the file
// named by the first argument.
VORUD_TEST_CHILD(product_identity) {
    if (argc < 1) return 2;
    std::string out;
    for (int levels = -1; levels <= 1; ++levels)
        out += std::to_string(DetectProductId(levels)) + "|" + Narrow(GetProductName(levels)) + "|" +
               Narrow(GetProductPid(levels)) + "\n";
    return WriteFileBytes(argv[0], out) ? 0 : 1;
}

// The channel identifier under the product's per-user key for one test; the
// value that was there before comes back afterwards.
class ScopedChannelId {
public:
    explicit ScopedChannelId(const wchar_t* value) {
        HKEY key = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                          &disposition_);
        if (!key) return;
        wchar_t previous[MAX_PATH] = {};
        DWORD size = sizeof(previous) - sizeof(wchar_t);
        hadValue_ = ::RegQueryValueExW(key, L"PID", nullptr, nullptr, reinterpret_cast<BYTE*>(previous), &size) ==
                    ERROR_SUCCESS;
        previous_ = previous;
        ::RegSetValueExW(key, L"pid", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                         static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    ~ScopedChannelId() {
        if (disposition_ == REG_CREATED_NEW_KEY) {
            ::RegDeleteKeyW(HKEY_CURRENT_USER, kProductKey);
            return;
        }
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        if (hadValue_)
            ::RegSetValueExW(key, L"PID", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_.c_str()),
                             static_cast<DWORD>((previous_.size() + 1) * sizeof(wchar_t)));
        else
            ::RegDeleteValueW(key, L"PID");
        ::RegCloseKey(key);
    }

private:
    DWORD disposition_ = 0;
    bool hadValue_ = false;
    std::wstring previous_;
};

TEST(ProductIdentityTest, FoundByTheMainExecutableBesideOrAbove) {
    ScopedChannelId channel(L"channel-42");
    ScopedTempDir dir(L"identity");
    const std::wstring self = ExeDir() + L"\\config_tests.exe";

    struct Case {
        const char* label;
        std::wstring programFolder;   // where the test program is copied
        std::wstring productExe;      // an empty "rudare.exe" placed here, if any
        std::string expected;         // lines for levels up -1, 0, 1
    } cases[] = {
        {"in the product folder", dir.Join(L"product"), dir.Join(L"product\\rudare.exe"),
         "0||\n63|rudare|channel-42\n0||\n"},
        {"one level below it", dir.Join(L"above\\sub"), dir.Join(L"above\\RUDARE.EXE"),
         "0||\n0||\n63|rudare|channel-42\n"},
        {"a folder named like the executable", dir.Join(L"folder"), dir.Join(L"folder\\rudare.exe\\"),
         "0||\n0||\n0||\n"},
        {"a temporary folder", dir.Join(L"temp"), L"", "0||\n0||\n0||\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::SHCreateDirectoryExW(nullptr, c.programFolder.c_str(), nullptr);
        if (!c.productExe.empty()) {
            if (c.productExe.back() == L'\\')
                ::CreateDirectoryW(c.productExe.c_str(), nullptr);
            else
                ASSERT_TRUE(WriteFileBytes(c.productExe, ""));
        }
        std::wstring copy = c.programFolder + L"\\config_tests.exe";
        ASSERT_TRUE(::CopyFileW(self.c_str(), copy.c_str(), FALSE));
        std::wstring out = c.programFolder + L"\\identity.txt";
        ASSERT_EQ(0, testing_support::RunProcess(copy, L"--vorud-child product_identity \"" + out + L"\"",
                                                 c.programFolder, 60000));
        EXPECT_EQ(c.expected, ReadFileBytes(out));
    }
}

TEST(ProductIdentityTest, Tables) {
    EXPECT_EQ(L"rudare.exe", GetProductMainExe(kVelaProductId));
    EXPECT_EQ(L"SOFTWARE\\VelaWallPaper", GetProductRegistryKey(kVelaProductId));
    EXPECT_EQ(L"", GetProductMainExe(0));
    EXPECT_EQ(L"", GetProductRegistryKey(64));
}

}  // namespace
