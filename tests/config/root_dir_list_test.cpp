// The root-directory list: which top-level names belong to the product.
#include "config/uninstall_root_dir_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/temp_name.h"
#include "test_support.h"
#include "xml_test_files.h"

using testing_support::FileExists;
using testing_support::Narrow;
using testing_support::ScopedTempDir;

namespace {

class RootDirListTest : public testing::Test {
protected:
    std::wstring Write(const wchar_t* name, const std::wstring& body) {
        std::wstring path = dir_.Join(name);
        EXPECT_TRUE(WriteUtf16Xml(path, body));
        return path;
    }

    // Every entry in order, as "name:dir:optional".
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (int i = 0; i < list_.GetCount(); ++i) {
            UninstallRootDirItem item;
            EXPECT_TRUE(list_.GetAt(i, &item));
            entries.push_back(Narrow(item.Name) + ":" + std::to_string(item.IsDir) + ":" +
                              std::to_string(item.Optional));
        }
        return entries;
    }

    ScopedCom com_;
    ScopedTempDir dir_{L"rootlist"};
    CUninstallRootDirList list_;
};

const wchar_t kSample[] =
    L"<RootDirFiles>\r\n"
    L"  <Dir>\r\n"
    L"    <Item Name=\"provider\"/>\r\n"
    L"    <Item Name=\"update\"/>\r\n"
    L"    <Sub><Item Name=\"Locales\" optional=\"1\"/></Sub>\r\n"  // any depth below the group
    L"  </Dir>\r\n"
    L"  <File>\r\n"
    L"    <Item Name=\"rudare.exe\"/>\r\n"
    L"    <Item Name=\"update\"/>\r\n"       // in both groups: ends as a file
    L"    <Item Name=\"Config.ini\"/>\r\n"
    L"    <Item Name=\"config.INI\"/>\r\n"   // listed twice: the later spelling stays
    L"    <Item Name=\"壁纸.set\" optional=\"0x2\"/>\r\n"
    L"  </File>\r\n"
    L"  <Dir><Item Name=\"ignored\"/></Dir>\r\n"  // only the first group counts
    L"</RootDirFiles>\r\n";

TEST_F(RootDirListTest, LoadsBothGroupsIntoOneNameMap) {
    ASSERT_TRUE(list_.Load(Write(L"list.xml", kSample).c_str()));
    std::vector<std::string> expected = {
        "config.INI:0:0", "Locales:1:1", "provider:1:0", "rudare.exe:0:0",
        "update:0:0", "壁纸.set:0:2"};
    EXPECT_EQ(expected, Entries());

    UninstallRootDirItem item;
    EXPECT_FALSE(list_.GetAt(list_.GetCount(), &item));
    EXPECT_FALSE(list_.GetAt(-1, &item));
    EXPECT_FALSE(list_.GetAt(0, nullptr));
}

TEST_F(RootDirListTest, ContainsIgnoresCase) {
    ASSERT_TRUE(list_.Load(Write(L"list.xml", kSample).c_str()));
    struct Case {
        const wchar_t* name;
        bool listed;
    } cases[] = {
        {L"provider", true}, {L"PROVIDER", true}, {L"Provider", true}, {L"RUDARE.EXE", true},
        {L"config.ini", true}, {L"壁纸.SET", true}, {L"update", true}, {L"locales", true},
        {L"ignored", false}, {L"rudare", false}, {L"rudare.exe ", false}, {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.listed, list_.Contains(c.name)) << Narrow(c.name);
    EXPECT_FALSE(list_.Contains(nullptr));

    EXPECT_TRUE(list_.Remove(L"RUDARE.exe"));
    EXPECT_FALSE(list_.Contains(L"rudare.exe"));
    EXPECT_TRUE(list_.Remove(L"never-listed"));
    EXPECT_EQ(5, list_.GetCount());
}

TEST_F(RootDirListTest, FailedLoadKeepsTheEntries) {
    ASSERT_TRUE(list_.Load(Write(L"list.xml", kSample).c_str()));
    std::vector<std::string> before = Entries();
    EXPECT_FALSE(list_.Load(dir_.Join(L"missing.xml").c_str()));
    EXPECT_FALSE(list_.Load(Write(L"broken.xml", L"<RootDirFiles><Dir></RootDirFiles>").c_str()));
    EXPECT_FALSE(list_.Load(nullptr));
    EXPECT_FALSE(list_.Load(L""));
    EXPECT_EQ(before, Entries());
}

TEST_F(RootDirListTest, GroupShapes) {
    struct Case {
        const char* label;
        std::wstring body;
        std::vector<std::string> entries;
    } cases[] = {
        {"empty File group", L"<RootDirFiles><Dir><Item Name=\"a\"/></Dir><File></File></RootDirFiles>",
         {"a:1:0"}},
        {"no groups", L"<RootDirFiles/>", {}},
        {"Item without Name", L"<RootDirFiles><File><Item/><Item Name=\"b\"/></File></RootDirFiles>",
         {":0:0", "b:0:0"}},
        {"name of 260 characters", L"<RootDirFiles><File><Item Name=\"" + std::wstring(260, L'n') +
             L"\"/><Item Name=\"" + std::wstring(259, L'm') + L"\"/></File></RootDirFiles>",
         {std::string(259, 'm') + ":0:0"}},
        {"other root", L"<Other><Dir><Item Name=\"a\"/></Dir></Other>", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(list_.Load(Write(L"shape.xml", c.body).c_str()));
        EXPECT_EQ(c.entries, Entries());
    }
    ASSERT_TRUE(list_.Load(Write(L"shape.xml", L"<RootDirFiles><File><Item/></File></RootDirFiles>").c_str()));
    EXPECT_TRUE(list_.Contains(L""));
}

GUID g_fixedGuid = {0x7E57AB1E, 0x0001, 0x00AB, {1, 2, 3, 4, 5, 6, 7, 8}};
HRESULT WINAPI FixedGuid(GUID* guid) {
    *guid = g_fixedGuid;
    return S_OK;
}

TEST_F(RootDirListTest, LoadFromResourceUsesAndDeletesATemporaryFile) {
    GuidSource previous = SetTempGuidSource(&FixedGuid);
    std::wstring temp;
    ASSERT_TRUE(MakeTempName(&temp));

    HINSTANCE self = ::GetModuleHandleW(nullptr);
    EXPECT_TRUE(list_.LoadFromResource(self, MAKEINTRESOURCEW(1), L"ROOTDIRLIST"));
    EXPECT_EQ((std::vector<std::string>{"locales:1:0", "rudare.exe:0:0", "配置.ini:0:0"}), Entries());
    EXPECT_FALSE(FileExists(temp));

    EXPECT_FALSE(list_.LoadFromResource(self, MAKEINTRESOURCEW(2), L"ROOTDIRLIST"));
    // No free temporary name: nothing is read.
    ASSERT_TRUE(testing_support::WriteFileBytes(temp, "taken"));
    CUninstallRootDirList other;
    EXPECT_FALSE(other.LoadFromResource(self, MAKEINTRESOURCEW(1), L"ROOTDIRLIST"));
    EXPECT_EQ(0, other.GetCount());
    EXPECT_EQ("taken", testing_support::ReadFileBytes(temp));
    ::DeleteFileW(temp.c_str());
    SetTempGuidSource(previous);
}

}  // namespace
