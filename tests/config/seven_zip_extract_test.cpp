#include "config/seven_zip_extract.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/handle.h"
#include "base/text_convert.h"
#include "test_support.h"

namespace {

using testing_support::ExeDir;
using testing_support::FileExists;
using testing_support::Narrow;
using testing_support::ReadFileBytes;
using testing_support::RunChild;
using testing_support::ScopedTempDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::wstring Fixture(const std::wstring& name) { return ExeDir() + L"\\sevenzip\\" + name; }
std::wstring LibraryPath() { return ExeDir() + L"\\7z.dll"; }

// The modification time fixtures.cmake gives every file: 1500000000 seconds
// after 1970-01-01, as a FILETIME.
const ULONGLONG kFixtureTime = (1500000000ULL + 11644473600ULL) * 10000000ULL;

ULONGLONG LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsFolder(const std::wstring& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names in a folder, sorted.
std::vector<std::wstring> List(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Join(const std::vector<std::wstring>& names) {
    std::string text;
    for (const std::wstring& name : names) text += (text.empty() ? "" : ", ") + Narrow(name);
    return text;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The files of dirs.7z.
struct ExpectedFile {
    const wchar_t* path;
    const char* contents;
    bool readOnly;
};
const ExpectedFile kDirsFiles[] = {
    {L"top.txt", "top level file\n", false},
    {L"ro.txt", "read-only file\n", true},
    {L"empty.txt", "", false},
    {L"a\\b\\deep.txt", "deep file\n", false},
    {L"a\\b\\c\\deeper.txt", "deeper file\n", false},
    {L"\u76EE\u5F55\\\u6587\u4EF6.txt", "non-ASCII name\n", false},
};
const wchar_t* const kDirsFolders[] = {L"a", L"a\\b", L"a\\b\\c", L"a\\empty_dir", L"\u76EE\u5F55"};

class SevenZipExtractTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Load7zLibrary(LibraryPath().c_str())); }
};

TEST_F(SevenZipExtractTest, ExtractsFoldersAndFilesWithTimesAndAttributes) {
    ScopedTempDir dir(L"7z");
    // Neither folder exists yet.
    std::wstring target = dir.Join(L"missing\\out");
    ASSERT_EQ(0, Extract7zArchive(Fixture(L"dirs.7z").c_str(), target.c_str()));

    for (const wchar_t* folder : kDirsFolders) EXPECT_TRUE(IsFolder(target + L"\\" + folder)) << Narrow(folder);
    for (const ExpectedFile& file : kDirsFiles) {
        SCOPED_TRACE(Narrow(file.path));
        std::wstring path = target + L"\\" + file.path;
        ASSERT_TRUE(FileExists(path));
        EXPECT_EQ(file.contents, ReadFileBytes(path));
        EXPECT_EQ(kFixtureTime, LastWriteTime(path));
        // The archive was made on Linux: its attributes carry the Unix mode
        // in the high bits, which must neither fail the item nor reach the file.
        DWORD attributes = Attributes(path);
        EXPECT_EQ(file.readOnly, (attributes & FILE_ATTRIBUTE_READONLY) != 0) << std::hex << attributes;
        EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_DIRECTORY) << std::hex << attributes;
    }
    EXPECT_EQ("a, empty.txt, ro.txt, top.txt, \xE7\x9B\xAE\xE5\xBD\x95", Join(List(target)));
}

TEST_F(SevenZipExtractTest, ReplacesAnExistingFileUnlessItCannotBeDeleted) {
    enum Existing { kPlain, kReadOnly, kHeldOpen };
    struct Case {
        const char* label;
        Existing existing;
        int expected;
        const char* contentsAfter;
    } const cases[] = {
        {"plain file", kPlain, 0, "top level file\n"},
        {"read-only file", kReadOnly, 0, "top level file\n"},
        {"file held open without delete sharing", kHeldOpen, -1, "old contents"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedTempDir dir(L"7z");
        std::wstring existing = dir.Join(L"top.txt");
        ASSERT_TRUE(WriteFileBytes(existing, "old contents"));
        CHandle held;
        if (c.existing == kReadOnly) {
            ASSERT_TRUE(::SetFileAttributesW(existing.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (c.existing == kHeldOpen) {
            held.Attach(::CreateFileW(existing.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held.IsValid());
        }

        EXPECT_EQ(c.expected, Extract7zArchive(Fixture(L"dirs.7z").c_str(), dir.Path().c_str()));
        held.Close();
        EXPECT_EQ(c.contentsAfter, ReadFileBytes(existing));
    }
}

TEST_F(SevenZipExtractTest, FailsForInputThatIsNoReadableArchive) {
    struct Case {
        const wchar_t* archive;
        const char* why;
    } const cases[] = {
        {L"no-such-archive.7z", "the file is missing"},
        {L"garbage.bin", "text, no archive"},
        {L"empty.bin", "zero bytes"},
        // The end header is cut off: the library cannot open it.
        {L"truncated.7z", "truncated"},
        // With the names encrypted, opening needs the password.
        {L"encrypted.7z", "encrypted names"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScopedTempDir dir(L"7z");
        std::wstring target = dir.Join(L"out");
        EXPECT_EQ(-1, Extract7zArchive(Fixture(c.archive).c_str(), target.c_str()));
        EXPECT_EQ("", Join(List(target)));
    }
}

TEST_F(SevenZipExtractTest, EncryptedContentsWithoutThePasswordAreNotExtracted) {
    ScopedTempDir dir(L"7z");
    // The names are readable, so the archive opens; the library then asks
    // for the password before the first item and gives up when it is refused.
    EXPECT_EQ(-1, Extract7zArchive(Fixture(L"encrypted_data.7z").c_str(), dir.Path().c_str()));
    EXPECT_EQ("", Join(List(dir.Path())));
}

TEST_F(SevenZipExtractTest, FailsForMissingArgumentsOrATargetThatIsAFile) {
    ScopedTempDir dir(L"7z");
    std::wstring archive = Fixture(L"dirs.7z");
    std::wstring file = dir.Join(L"file");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    EXPECT_EQ(-1, Extract7zArchive(nullptr, dir.Path().c_str()));
    EXPECT_EQ(-1, Extract7zArchive(L"", dir.Path().c_str()));
    EXPECT_EQ(-1, Extract7zArchive(archive.c_str(), nullptr));
    EXPECT_EQ(-1, Extract7zArchive(archive.c_str(), L""));
    EXPECT_EQ(-1, Extract7zArchive(archive.c_str(), file.c_str()));
    EXPECT_EQ(-1, Extract7zArchive(archive.c_str(), (file + L"\\below").c_str()));
}

// Files of escape.7z whose names start with this would have left the target.
const wchar_t kEscapeMarker[] = L"vorud-escape";

std::vector<std::wstring> EscapedIn(const std::wstring& folder) {
    std::vector<std::wstring> found;
    for (const std::wstring& name : List(folder))
        if (name.find(kEscapeMarker) != std::wstring::npos) found.push_back(folder + L"\\" + name);
    return found;
}

TEST_F(SevenZipExtractTest, RefusesItemsThatWouldLeaveTheTargetFolder) {
    ScopedTempDir dir(L"7z");
    std::wstring target = dir.Join(L"out");
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    std::vector<std::wstring> places = {dir.Path(), target, TempDir(), L"C:", current, ExeDir()};
    for (const std::wstring& place : places) ASSERT_EQ("", Join(EscapedIn(place))) << Narrow(place);

    // The library passes the stored paths through (with backslashes); the
    // refused items are skipped and the extraction itself succeeds.
    EXPECT_EQ(0, Extract7zArchive(Fixture(L"escape.7z").c_str(), target.c_str()));

    EXPECT_EQ("good.txt, sub", Join(List(target)));
    EXPECT_EQ("good item\n", ReadFileBytes(target + L"\\good.txt"));
    // "./sub//kept.txt": empty and "." components are dropped.
    EXPECT_EQ("kept item\n", ReadFileBytes(target + L"\\sub\\kept.txt"));
    EXPECT_EQ("out", Join(List(dir.Path())));
    for (const std::wstring& place : places) EXPECT_EQ("", Join(EscapedIn(place))) << Narrow(place);
}

// ----------------------------------------------------- in a fresh process

// The library holder before and after loading. argv[0]: a scratch folder.
// Exit code 0, or the number of the first check that failed.
VORUD_TEST_CHILD(library_state) {
    if (argc < 1) return 100;
    std::wstring scratch = argv[0];
    std::wstring notADll = scratch + L"\\x.dll";
    if (!WriteFileBytes(notADll, "this is a text file\r\n")) return 101;
    std::wstring archive = Fixture(L"dirs.7z");

    if (Is7zLibraryLoaded()) return 1;
    if (Extract7zArchive(archive.c_str(), (scratch + L"\\before").c_str()) != -1) return 2;
    if (Load7zLibrary(nullptr)) return 3;
    if (Load7zLibrary(L"")) return 4;
    if (Load7zLibrary((scratch + L"\\missing\\7z.dll").c_str())) return 5;
    if (Load7zLibrary(notADll.c_str())) return 6;
    if (Is7zLibraryLoaded()) return 7;
    if (!FileExists(scratch + L"\\before") || !testing_support::DeleteTree(scratch + L"\\before")) return 8;

    if (!Load7zLibrary(LibraryPath().c_str())) return 9;
    if (!Is7zLibraryLoaded()) return 10;
    // Once loaded, any later call succeeds at once and keeps the first library.
    if (!Load7zLibrary(notADll.c_str())) return 11;
    if (Extract7zArchive(archive.c_str(), (scratch + L"\\after").c_str()) != 0) return 12;
    if (ReadFileBytes(scratch + L"\\after\\top.txt") != "top level file\n") return 13;
    return 0;
}

// A library without the CreateObject export. argv[0]: a scratch folder.
VORUD_TEST_CHILD(library_without_export) {
    if (argc < 1) return 100;
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    if (!Load7zLibrary((std::wstring(system) + L"\\kernel32.dll").c_str())) return 1;
    if (Extract7zArchive(Fixture(L"dirs.7z").c_str(), (std::wstring(argv[0]) + L"\\out").c_str()) != -1) return 2;
    return 0;
}

// Extracts dirs.7z with standard output going to a file. argv: scratch
// folder, output file.
VORUD_TEST_CHILD(extract_to_stdout_file) {
    if (argc < 2) return 100;
    if (!_wfreopen(argv[1], L"w", stdout)) return 101;
    if (!Load7zLibrary(LibraryPath().c_str())) return 1;
    int result = Extract7zArchive(Fixture(L"dirs.7z").c_str(), (std::wstring(argv[0]) + L"\\out").c_str());
    std::fflush(stdout);
    return result == 0 ? 0 : 2;
}

TEST(SevenZipLibraryTest, LoadsOncePerProcessAndRefusesWhatIsNoLibrary) {
    ScopedTempDir dir(L"7zlib");
    EXPECT_EQ(0, RunChild(L"library_state", Quoted(dir.Path())));
}

TEST(SevenZipLibraryTest, ALibraryWithoutCreateObjectCannotExtract) {
    ScopedTempDir dir(L"7zlib");
    EXPECT_EQ(0, RunChild(L"library_without_export", Quoted(dir.Path())));
    EXPECT_EQ("", Join(List(dir.Join(L"out"))));
}

TEST(SevenZipLibraryTest, WritesEachExtractedItemToStandardOutput) {
    ScopedTempDir dir(L"7zlib");
    std::wstring output = dir.Join(L"stdout.txt");
    ASSERT_EQ(0, RunChild(L"extract_to_stdout_file", Quoted(dir.Path()) + L" " + Quoted(output)));
    // The runtime writes in the locale's code page, 936 (test_main.cpp).
    std::wstring text = MultiByteToWide(ReadFileBytes(output), 936);
    for (const ExpectedFile& file : kDirsFiles)
        EXPECT_NE(std::wstring::npos, text.find(L"Extracting file: " + std::wstring(file.path) + L"\r\n"))
            << Narrow(file.path) << "\n" << Narrow(text);
    for (const wchar_t* folder : kDirsFolders)
        EXPECT_NE(std::wstring::npos, text.find(L"Extracting file: " + std::wstring(folder) + L"\r\n"))
            << Narrow(folder);
}

}  // namespace
