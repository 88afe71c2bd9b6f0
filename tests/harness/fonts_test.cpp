// The prefix renders the fonts the wizard asks for, Chinese text included.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace {

// A face the prefix does not know falls back to a font without Chinese
// glyphs, so each of these must be mapped.
class FontFaceTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(FontFaceTest, HasGlyphsForChineseText) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc);
    HFONT font = ::CreateFontW(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, GetParam());
    ASSERT_NE(nullptr, font);
    HGDIOBJ old = ::SelectObject(dc, font);

    const wchar_t text[] = L"\u7acb\u5373\u5378\u8f7d\u4fdd\u7559\u58c1\u7eb8";  // 立即卸载保留壁纸
    WORD glyphs[8] = {};
    ASSERT_EQ(8u, ::GetGlyphIndicesW(dc, text, 8, glyphs, GGI_MARK_NONEXISTING_GLYPHS));
    for (WORD glyph : glyphs) EXPECT_NE(0xFFFF, glyph) << "a character has no glyph";

    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
}

INSTANTIATE_TEST_SUITE_P(Faces, FontFaceTest,
                         ::testing::Values(L"\u5fae\u8f6f\u96c5\u9ed1", L"Microsoft YaHei", L"Microsoft YaHei UI",
                                           L"\u5b8b\u4f53", L"SimSun", L"\u65b0\u7d30\u660e\u9ad4"));

TEST(FontsTest, TahomaIsInstalled) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
    HGDIOBJ old = ::SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    EXPECT_STREQ(L"Tahoma", face);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
}

}  // namespace
