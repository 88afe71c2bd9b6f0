// The version text of a product file.
#include "engine/product_version.h"

#include <gtest/gtest.h>

#include "engine/windows_version.h"
#include "test_support.h"
#include "version.h"

using namespace testing_support;

namespace {

TEST(ProductVersionTest, ReadsTheFixedVersionOfAProgram) {
    // A 64-bit Windows always takes the fixed version; so does this build's
    // Uninstall.exe, whose version block carries the same numbers.
    const std::string expected = VORUD_VERSION_TEXT;
    EXPECT_EQ(std::wstring(expected.begin(), expected.end()),
              GetProductVersionText(ExeDir() + L"\\product\\Uninstall.exe"));
}

// This test program carries FILEVERSION 3,4,5,6 and the string version
// "7, 8, 9, 10 beta".
TEST(ProductVersionTest, ThirtyTwoBitWindowsTenTakesTheStringVersionWithoutCommasAndSpaces) {
    const std::wstring self = ExeDir() + L"\\engine_tests.exe";
    EXPECT_EQ(L"7.8.9.10beta", GetVersionText(self, true));
    EXPECT_EQ(L"3.4.5.6", GetVersionText(self, false));
}

TEST(ProductVersionTest, IsEmptyWithoutAVersionBlock) {
    EXPECT_EQ(L"", GetProductVersionText(ExeDir() + L"\\no-such-file.exe"));
    ScopedTempDir dir(L"version");
    ASSERT_TRUE(WriteFileBytes(dir.Join(L"rudare.exe"), "not a program"));
    EXPECT_EQ(L"", GetProductVersionText(dir.Join(L"rudare.exe")));
    EXPECT_EQ(L"", GetProductVersionText(L""));
}

TEST(WindowsVersionTest, AnswersAreStable) {
    // Wine reports an NT 6 or later version; the answers are computed once.
    EXPECT_TRUE(IsNT6OrLater());
    EXPECT_EQ(IsWindows10OrLater(), IsWindows10OrLater());
}

}  // namespace
