#include "config/resource_unpack.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "config/seven_zip_extract.h"
#include "config/temp_name.h"
#include "test_support.h"

namespace {

using testing_support::DeleteTree;
using testing_support::ExeDir;
using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// The resources of test_archives.rc.
const wchar_t kType[] = L"TESTARCHIVE";
const UINT kArchiveId = 1;  // dirs.7z
const UINT kGarbageId = 2;  // text, no archive
const UINT kEmptyId = 3;    // zero bytes

// Temporary names from a known sequence of GUIDs: the n-th GUID asked for is
// Sequence(n), n from 1; unique to this process.
LONG g_nextGuid = 0;
GUID Sequence(LONG n) {
    GUID guid = {::GetCurrentProcessId(), 0x7E57, 0xABCD, {0x5E, 0x90, 0, 0, 0, 0, 0, 0}};
    guid.Data4[6] = static_cast<BYTE>(n >> 8);
    guid.Data4[7] = static_cast<BYTE>(n);
    return guid;
}
HRESULT WINAPI SequenceSource(GUID* guid) {
    *guid = Sequence(::InterlockedIncrement(&g_nextGuid));
    return S_OK;
}
// Always Sequence(1).
HRESULT WINAPI FixedSource(GUID* guid) {
    *guid = Sequence(1);
    return S_OK;
}
std::wstring TempNameOf(LONG n) { return TempDir() + L"\\" + FormatTempGuid(Sequence(n)) + L".tmp"; }

// Puts a GUID source in place (and restarts the sequence) for its lifetime.
class ScopedGuidSource {
public:
    explicit ScopedGuidSource(GuidSource source) : m_previous(SetTempGuidSource(source)) { g_nextGuid = 0; }
    ~ScopedGuidSource() { SetTempGuidSource(m_previous); }
    ScopedGuidSource(const ScopedGuidSource&) = delete;
    ScopedGuidSource& operator=(const ScopedGuidSource&) = delete;

private:
    GuidSource m_previous;
};

// Removes the first few names of the sequence, files or folders, when it goes.
class ScopedSequenceCleanup {
public:
    ~ScopedSequenceCleanup() {
        for (LONG n = 1; n <= 12; ++n) DeleteTree(TempNameOf(n));
    }
};

TEST(TempNameTest, FormatsTheThirdGroupInLowerCase) {
    struct Case {
        GUID guid;
        const wchar_t* text;
    } const cases[] = {
        {{0x0A1B2C3D, 0x4E5F, 0x6A7B, {0x8C, 0x9D, 0x0E, 0x1F, 0x2A, 0x3B, 0x4C, 0x5D}},
         L"{0A1B2C3D-4E5F-6a7b-8C9D-0E1F2A3B4C5D}"},
        {{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}, L"{00000000-0000-0000-0000-000000000000}"},
        {{0xFFFFFFFF, 0xABCD, 0xEFAB, {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88}},
         L"{FFFFFFFF-ABCD-efab-FFEE-DDCCBBAA9988}"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, FormatTempGuid(c.guid));
}

TEST(TempNameTest, MakesAnUnusedNameInTheTemporaryFolder) {
    std::wstring first, second;
    ASSERT_TRUE(MakeTempName(&first));
    ASSERT_TRUE(MakeTempName(&second));
    EXPECT_NE(first, second);
    for (const std::wstring& name : {first, second}) {
        EXPECT_EQ(0u, name.find(TempDir() + L"\\{")) << testing_support::Narrow(name);
        EXPECT_EQ(name.size() - 4, name.rfind(L".tmp"));
        EXPECT_FALSE(FileExists(name));
    }
}

TEST(TempNameTest, TriesTenNamesAtMost) {
    struct Case {
        LONG existing;  // the first names of the sequence that exist already
        bool made;
    } const cases[] = {{0, true}, {9, true}, {10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing);
        ScopedSequenceCleanup cleanup;
        for (LONG n = 1; n <= c.existing; ++n) ASSERT_TRUE(WriteFileBytes(TempNameOf(n), "taken"));
        ScopedGuidSource source(&SequenceSource);
        std::wstring name = L"previous";
        EXPECT_EQ(c.made, MakeTempName(&name));
        EXPECT_EQ(c.made ? TempNameOf(c.existing + 1) : std::wstring(), name);
    }
}

TEST(ResourceUnpackTest, InitFindsTheResourceBytes) {
    CResourceUnpack unpack;
    ASSERT_TRUE(unpack.Init(::GetModuleHandleW(nullptr), kArchiveId, kType));
    std::string archive = ReadFileBytes(ExeDir() + L"\\sevenzip\\dirs.7z");
    ASSERT_FALSE(archive.empty());
    ASSERT_EQ(archive.size(), unpack.Size());
    EXPECT_EQ(archive, std::string(reinterpret_cast<const char*>(unpack.Data()), unpack.Size()));
}

TEST(ResourceUnpackTest, InitFailsForAMissingResource) {
    struct Case {
        UINT id;
        const wchar_t* type;
    } const cases[] = {{99, kType}, {kArchiveId, L"OTHERTYPE"}};
    for (const Case& c : cases) {
        CResourceUnpack unpack;
        EXPECT_FALSE(unpack.Init(::GetModuleHandleW(nullptr), c.id, c.type)) << c.id;
        EXPECT_EQ(nullptr, unpack.Data());
        EXPECT_EQ(0u, unpack.Size());
    }
}

class ResourceUnpackExtractTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Load7zLibrary((ExeDir() + L"\\7z.dll").c_str())); }
    ScopedSequenceCleanup m_cleanup;
};

TEST_F(ResourceUnpackExtractTest, UnpacksIntoAFreshFolderAndRemovesTheArchiveFile) {
    ScopedGuidSource source(&SequenceSource);
    CResourceUnpack unpack;
    ASSERT_TRUE(unpack.Init(::GetModuleHandleW(nullptr), kArchiveId, kType));
    std::wstring folder;
    ASSERT_TRUE(unpack.Unpack(&folder));

    // The first name was the archive file, the second the folder.
    EXPECT_EQ(TempNameOf(2), folder);
    EXPECT_FALSE(FileExists(TempNameOf(1)));
    EXPECT_EQ("top level file\n", ReadFileBytes(folder + L"\\top.txt"));
    EXPECT_EQ("deep file\n", ReadFileBytes(folder + L"\\a\\b\\deep.txt"));
}

TEST_F(ResourceUnpackExtractTest, AResourceThatIsNoArchiveLeavesNothingBehind) {
    for (UINT id : {kGarbageId, kEmptyId}) {
        SCOPED_TRACE(id);
        ScopedGuidSource source(&SequenceSource);
        CResourceUnpack unpack;
        ASSERT_TRUE(unpack.Init(::GetModuleHandleW(nullptr), id, kType));
        std::wstring folder = L"unchanged";
        EXPECT_FALSE(unpack.Unpack(&folder));
        EXPECT_EQ(L"unchanged", folder);
        EXPECT_FALSE(FileExists(TempNameOf(1)));
        EXPECT_FALSE(FileExists(TempNameOf(2)));
    }
}

TEST_F(ResourceUnpackExtractTest, FailsWhenNoFreeTemporaryNameIsFound) {
    // Every name asked for is the same one. When it exists already, not even
    // the archive file can be named; otherwise the archive file takes it and
    // the folder cannot be named, and the archive file is removed again.
    for (bool nameTaken : {true, false}) {
        SCOPED_TRACE(nameTaken ? "name taken before" : "name free before");
        std::wstring name = TempNameOf(1);
        DeleteTree(name);
        if (nameTaken) {
            ASSERT_TRUE(WriteFileBytes(name, "someone else's file"));
        }
        ScopedGuidSource source(&FixedSource);
        CResourceUnpack unpack;
        ASSERT_TRUE(unpack.Init(::GetModuleHandleW(nullptr), kArchiveId, kType));
        std::wstring folder = L"unchanged";
        EXPECT_FALSE(unpack.Unpack(&folder));
        EXPECT_EQ(L"unchanged", folder);
        if (nameTaken)
            EXPECT_EQ("someone else's file", ReadFileBytes(name));
        else
            EXPECT_FALSE(FileExists(name));
        DeleteTree(name);
    }
}

}  // namespace
