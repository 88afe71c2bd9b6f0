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
