// The XML layer over the real MSXML DOM: path lookup, attribute reads and
// their defaults, the integer form, and what a failed load leaves.
#include "config/xml_archive.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"
#include "xml_test_files.h"

using testing_support::Narrow;
using testing_support::ScopedTempDir;

namespace {

TEST(ParseXmlIntTest, DecimalAndHexadecimalForms) {
    struct Case {
        const wchar_t* text;
        int expected;
    } cases[] = {
        {L"", 0},
        {L"   ", 0},
        {L"42", 42},
        {L"  \t 42", 42},
        {L"-7", -7},
        {L"+7", 7},
        {L"12ab", 12},
        {L"abc", 0},
        {L"0x10", 16},
        {L"0X1f", 31},
        {L" 0x10", 16},          // blanks before the prefix are skipped
        {L"0x", 0},              // two characters: decimal, stops at "x"
        {L"0x ", 0},             // three characters: hexadecimal without digits
        {L"0x1G", 1},            // stops at the first non-hex digit
        {L"0x00000001", 1},      // ten characters: still hexadecimal
        {L"0xFFFFFFFF", -1},     // all 32 bits
        {L"0x123456789", 0},     // eleven characters: decimal, stops at "x"
        {L"-0x10", 0},           // a sign makes it decimal
        {L"99999999999", INT_MAX},
        {L"-99999999999", INT_MIN},
        {L"\n5", 0},             // only blanks and tabs are skipped
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, ParseXmlInt(c.text)) << Narrow(c.text);
    EXPECT_EQ(0, ParseXmlInt(nullptr));
}

class XmlArchiveTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.Join(L"doc.xml");
        ASSERT_TRUE(WriteUtf16Xml(path_,
            L"<Setup>\r\n"
            L"  <Main Version=\"1.2\" Count=\"0x10\" Blank=\"\" Spaced=\"  42\" Name=\"壁纸\"/>\r\n"
            L"  <Group>\r\n"
            L"    <Wrapper><Program Name=\"deep\"/></Wrapper>\r\n"
            L"    <Program Name=\"flat\"/>\r\n"
            L"  </Group>\r\n"
            L"  <Empty>\r\n  </Empty>\r\n"
            L"  <Sec><X n=\"1\"/></Sec>\r\n"
            L"  <Sec><X n=\"2\"/><X n=\"3\"/></Sec>\r\n"
            L"</Setup>\r\n"));
        ASSERT_EQ(S_OK, archive_.Open(path_.c_str()));
        ASSERT_TRUE(archive_.IsLoaded());
    }

    std::wstring FirstName(const CXMLArchiveItemList& list, const wchar_t* attribute) {
        std::wstring value;
        list.GetItem(0).GetAttributeString(attribute, &value);
        return value;
    }

    ScopedCom com_;
    ScopedTempDir dir_{L"xml"};
    std::wstring path_;
    CXMLArchive archive_;
};

TEST_F(XmlArchiveTest, PathLookup) {
    struct Case {
        std::wstring path;
        long count;
        const wchar_t* attribute;  // read from the first element
        const wchar_t* first;
    } cases[] = {
        {L"Setup/Main", 1, L"Version", L"1.2"},
        {L"Setup/Group/Program", 2, L"Name", L"deep"},    // any depth, document order
        {L"Setup\\Group\\Program", 2, L"Name", L"deep"},  // either separator
        {L"Setup//Main", 1, L"Version", L"1.2"},          // empty components are skipped
        {L"Group/Program", 2, L"Name", L"deep"},          // the first component need not be the root
        {L"Sec/X", 1, L"n", L"1"},                        // only the first Sec counts
        {L"Setup/X", 3, L"n", L"1"},
        {L"Setup/Sec/X", 1, L"n", L"1"},
        {L"Setup/Empty/Program", 0, nullptr, nullptr},
        {L"Setup/Main/Nothing", 0, nullptr, nullptr},
        {L"Nowhere/Main", 0, nullptr, nullptr},
        {L"setup/main", 0, nullptr, nullptr},             // names match exactly
        {L"Setup", 0, nullptr, nullptr},                  // one component
        {L"", 0, nullptr, nullptr},
        {L"/", 0, nullptr, nullptr},
        {L"Setup/Main" + std::wstring(2048 - 10, L'/'), 1, L"Version", L"1.2"},  // 2048 characters
        {L"Setup/Main" + std::wstring(2049 - 10, L'/'), 0, nullptr, nullptr},    // 2049 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.path.substr(0, 40)));
        CXMLArchiveItemList list = archive_.GetItemList(c.path.c_str());
        EXPECT_EQ(c.count, list.GetCount());
        if (c.first) {
            EXPECT_EQ(c.first, FirstName(list, c.attribute));
        }
        EXPECT_EQ(c.count > 0, archive_.GetItem(c.path.c_str()).IsValid());
    }
    EXPECT_EQ(0, archive_.GetItemList(nullptr).GetCount());
}

TEST_F(XmlArchiveTest, ListItemsAndChildLists) {
    CXMLArchiveItemList groups = archive_.GetItemList(L"Setup/Group");
    ASSERT_EQ(1, groups.GetCount());
    EXPECT_FALSE(groups.GetItem(-1).IsValid());
    EXPECT_FALSE(groups.GetItem(1).IsValid());

    CXMLArchiveItemList programs = groups.GetChildList(0, L"Program");
    ASSERT_EQ(2, programs.GetCount());
    std::wstring name;
    programs.GetItem(1).GetAttributeString(L"Name", &name);
    EXPECT_EQ(L"flat", name);
    EXPECT_EQ(0, programs.GetChildList(0, L"Program").GetCount());
    EXPECT_EQ(0, groups.GetChildList(1, L"Program").GetCount());
    EXPECT_EQ(0, groups.GetChildList(0, L"").GetCount());
    EXPECT_EQ(0, groups.GetChildList(0, nullptr).GetCount());

    // Depth counts the ancestors: the nested Program sits one level deeper.
    CXMLArchiveItem group = groups.GetItem(0);
    EXPECT_EQ(group.GetDepth() + 2, programs.GetItem(0).GetDepth());
    EXPECT_EQ(group.GetDepth() + 1, programs.GetItem(1).GetDepth());
}

TEST_F(XmlArchiveTest, AttributeReadsAndDefaults) {
    CXMLArchiveItem main = archive_.GetItem(L"Setup/Main");
    ASSERT_TRUE(main.IsValid());

    std::wstring text = L"stale";
    EXPECT_EQ(1, main.GetAttributeString(L"Version", &text, L"dflt"));
    EXPECT_EQ(L"1.2", text);
    EXPECT_EQ(1, main.GetAttributeString(L"Name", &text));
    EXPECT_EQ(L"壁纸", text);
    EXPECT_EQ(1, main.GetAttributeString(L"Blank", &text, L"dflt"));
    EXPECT_EQ(L"", text);
    EXPECT_EQ(0, main.GetAttributeString(L"Missing", &text, L"dflt"));
    EXPECT_EQ(L"dflt", text);
    EXPECT_EQ(0, main.GetAttributeString(L"Missing", &text));
    EXPECT_EQ(L"", text);
    EXPECT_EQ(0, main.GetAttributeString(L"version", &text, L"dflt"));  // names match exactly

    struct IntCase {
        const wchar_t* name;
        int result;
        int value;
    } ints[] = {
        {L"Count", 1, 16},
        {L"Spaced", 1, 42},
        {L"Blank", 1, 0},      // present but empty: 0, not the default
        {L"Version", 1, 1},    // "1.2" stops at the dot
        {L"Missing", 0, -5},   // the default stays
    };
    for (const IntCase& c : ints) {
        int value = 1234;
        EXPECT_EQ(c.result, main.GetAttributeInt(c.name, &value, -5)) << Narrow(c.name);
        EXPECT_EQ(c.value, value) << Narrow(c.name);
    }

    VARIANT value;
    EXPECT_TRUE(main.GetAttribute(L"Missing", &value));  // answered, as null
    EXPECT_EQ(VT_NULL, value.vt);
    EXPECT_TRUE(main.GetAttribute(L"Version", &value));
    EXPECT_EQ(VT_BSTR, value.vt);
    ::VariantClear(&value);
    EXPECT_FALSE(main.GetAttribute(L"", &value));
    EXPECT_FALSE(main.GetAttribute(nullptr, &value));
}

TEST_F(XmlArchiveTest, TheEmptyItemAnswersWithDefaults) {
    const CXMLArchiveItem& empty = CXMLArchiveItem::Empty();
    EXPECT_FALSE(empty.IsValid());
    EXPECT_FALSE(archive_.GetItem(L"Setup/Nothing").IsValid());
    std::wstring text;
    EXPECT_EQ(0, empty.GetAttributeString(L"Version", &text, L"dflt"));
    EXPECT_EQ(L"dflt", text);
    int value = 0;
    EXPECT_EQ(0, empty.GetAttributeInt(L"Count", &value, 7));
    EXPECT_EQ(7, value);
    VARIANT variant;
    EXPECT_FALSE(empty.GetAttribute(L"Version", &variant));
    EXPECT_EQ(0, CXMLArchiveItemList::Empty().GetCount());
    EXPECT_FALSE(CXMLArchiveItemList::Empty().GetItem(0).IsValid());
}

TEST_F(XmlArchiveTest, CopiesKeepTheDocumentAlive) {
    CXMLArchiveItem item;
    CXMLArchiveItemList list;
    {
        CXMLArchive other;
        ASSERT_EQ(S_OK, other.Open(path_.c_str()));
        item = other.GetItem(L"Setup/Main");
        list = other.GetItemList(L"Setup/Group/Program");
    }
    std::wstring text;
    EXPECT_EQ(1, item.GetAttributeString(L"Version", &text));
    EXPECT_EQ(L"1.2", text);
    CXMLArchiveItem copy = item;
    EXPECT_EQ(1, copy.GetAttributeString(L"Version", &text));
    EXPECT_EQ(L"deep", FirstName(list, L"Name"));
}

TEST(XmlArchiveOpenTest, FailedLoadsLeaveNoDocument) {
    ScopedCom com;
    ScopedTempDir dir(L"xmlopen");
    ASSERT_TRUE(WriteUtf16Xml(dir.Join(L"good.xml"), L"<Setup><Main Version=\"1\"/></Setup>"));
    ASSERT_TRUE(WriteUtf16Xml(dir.Join(L"broken.xml"), L"<Setup><Main Version=\"1\"></Setup>"));
    ASSERT_TRUE(WriteUtf8Xml(dir.Join(L"utf8.xml"), L"<Setup><Main Version=\"卸载\"/></Setup>"));
    ASSERT_TRUE(testing_support::WriteFileBytes(dir.Join(L"empty.xml"), ""));

    struct Case {
        std::wstring path;
        HRESULT result;
    } cases[] = {
        {dir.Join(L"missing.xml"), E_FAIL},
        {dir.Join(L"broken.xml"), E_FAIL},
        {dir.Join(L"empty.xml"), E_FAIL},
        {dir.Path(), E_FAIL},  // a folder
        {L"", E_FAIL},
    };
    for (const Case& c : cases) {
        CXMLArchive archive;
        ASSERT_EQ(S_OK, archive.Open(dir.Join(L"good.xml").c_str()));
        EXPECT_EQ(c.result, archive.Open(c.path.c_str())) << Narrow(c.path);
        EXPECT_FALSE(archive.IsLoaded()) << Narrow(c.path);  // the earlier document is gone
        EXPECT_EQ(0, archive.GetItemList(L"Setup/Main").GetCount());
    }

    CXMLArchive archive;
    ASSERT_EQ(S_OK, archive.Open(dir.Join(L"utf8.xml").c_str()));
    std::wstring text;
    archive.GetItem(L"Setup/Main").GetAttributeString(L"Version", &text);
    EXPECT_EQ(L"卸载", text);
}

TEST(XmlArchiveOpenTest, WithoutComTheDomCannotBeCreated) {
    // A thread that never initialised COM.
    struct Outcome {
        HRESULT result = S_OK;
        bool loaded = true;
    } outcome;
    HANDLE thread = ::CreateThread(
        nullptr, 0,
        [](void* context) -> DWORD {
            auto* out = static_cast<Outcome*>(context);
            CXMLArchive archive;
            out->result = archive.Open(L"C:\\nothing.xml");
            out->loaded = archive.IsLoaded();
            return 0;
        },
        &outcome, 0, nullptr);
    ASSERT_TRUE(thread);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    EXPECT_EQ(CO_E_NOTINITIALIZED, outcome.result);
    EXPECT_FALSE(outcome.loaded);
}

}  // namespace
