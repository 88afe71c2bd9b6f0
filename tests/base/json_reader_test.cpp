// The JSON member readers and the Windows-bitness test.
#include "base/json_reader.h"

#include <cjson/cJSON.h>

#include <gtest/gtest.h>

#include "base/windows_bitness.h"

namespace {

JsonTree Parse(const char* text) {
    JsonTree tree(ParseJson(text));
    EXPECT_TRUE(tree) << text;
    return tree;
}

TEST(JsonReaderTest, ParseJsonGivesNullForNullOrBrokenText) {
    EXPECT_EQ(nullptr, ParseJson(nullptr));
    for (const char* text : {"", "{", "{\"a\":}", "{\"a\" 1}", "[1,2", "\"unterminated", "nul"}) {
        JsonTree tree(ParseJson(text));
        EXPECT_FALSE(tree) << text;
    }
}

TEST(JsonReaderTest, GetJsonIntReadsOnlyNumbers) {
    JsonTree root = Parse(R"({"n":5,"text":"5","frac":5.7,"neg":-12,"no":null,"yes":true,"obj":{"n":1},"big":1e20})");
    const struct {
        const char* key;
        int expected;
    } cases[] = {{"n", 5},     {"text", -1}, {"frac", 5},      {"neg", -12}, {"no", -1},
                 {"yes", -1},  {"obj", -1},  {"missing", -1},  {"", -1},     {"N", 5},
                 {"big", 2147483647}};
    for (const auto& c : cases) EXPECT_EQ(c.expected, GetJsonInt(root.get(), c.key, -1)) << c.key;
    EXPECT_EQ(-1, GetJsonInt(root.get(), nullptr, -1));
    EXPECT_EQ(7, GetJsonInt(nullptr, "n", 7));
    // Only members of the object itself, not of nested ones.
    EXPECT_EQ(1, GetJsonInt(cJSON_GetObjectItem(root.get(), "obj"), "n", -1));
}

TEST(JsonReaderTest, GetJsonStringReadsOnlyStrings) {
    JsonTree root = Parse(R"({"url":"http://localhost/a?b=1","n":5,"empty":"","no":null,"arr":["x"]})");
    EXPECT_EQ("http://localhost/a?b=1", GetJsonString(root.get(), "URL", "d"));
    EXPECT_EQ("http://localhost/a?b=1", GetJsonString(root.get(), "Url", "d"));
    EXPECT_EQ("", GetJsonString(root.get(), "empty", "d"));
    for (const char* key : {"n", "no", "arr", "missing", ""}) EXPECT_EQ("d", GetJsonString(root.get(), key, "d")) << key;
    EXPECT_EQ("d", GetJsonString(nullptr, "url", "d"));
    EXPECT_EQ("", GetJsonString(nullptr, "url", nullptr));
}

TEST(JsonReaderTest, FirstMemberMatchingWithoutCaseWins) {
    JsonTree root = Parse(R"({"Status":"1","status":"2","STATUS":3})");
    EXPECT_EQ("1", GetJsonString(root.get(), "status", ""));
    EXPECT_EQ(-1, GetJsonInt(root.get(), "status", -1));  // the first match is a string
}

TEST(JsonReaderTest, GetJsonWStringConvertsFromUtf8) {
    JsonTree root = Parse("{\"data\":\"\xE5\x8D\xB8\xE8\xBD\xBD\",\"esc\":\"\\u5378\\u8f7d\",\"n\":1}");
    EXPECT_EQ(L"卸载", GetJsonWString(root.get(), "data", L"d", CP_UTF8));
    EXPECT_EQ(L"卸载", GetJsonWString(root.get(), "ESC", L"d", CP_UTF8));
    EXPECT_EQ(L"d", GetJsonWString(root.get(), "n", L"d", CP_UTF8));
    EXPECT_EQ(L"d", GetJsonWString(root.get(), "", L"d", CP_UTF8));
    EXPECT_EQ(L"", GetJsonWString(nullptr, "data", nullptr, CP_UTF8));
}

TEST(WindowsBitnessTest, ThisWindowsIs64BitAndTheAnswerIsStable) {
    SYSTEM_INFO info = {};
    ::GetNativeSystemInfo(&info);
    ASSERT_EQ(PROCESSOR_ARCHITECTURE_AMD64, info.wProcessorArchitecture) << "the tests run on 64-bit Windows";
    EXPECT_TRUE(Is64BitWindows());
    EXPECT_TRUE(Is64BitWindows());
}

}  // namespace
