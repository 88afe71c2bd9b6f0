// Helpers shared by the tests: temporary folders, files, processes, waiting.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

// The folder of the running test program.
std::wstring ExeDir();

// The user's temporary folder, without a trailing backslash.
std::wstring TempDir();

// A fresh folder under the temporary folder, deleted with everything in it
// when the object goes.
class ScopedTempDir {
public:
    explicit ScopedTempDir(const wchar_t* label = L"t");
    ~ScopedTempDir();
    const std::wstring& Path() const { return m_path; }
    std::wstring Join(const std::wstring& name) const { return m_path + L"\\" + name; }

    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

private:
    std::wstring m_path;
};

bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
LONGLONG FileSize(const std::wstring& path);  // -1 when missing

// Deletes a folder tree (files, read-only ones too, and subfolders).
bool DeleteTree(const std::wstring& path);
// Copies a folder tree; the destination is created.
bool CopyTree(const std::wstring& from, const std::wstring& to);

// Runs a program and waits for it; returns its exit code, or -1 when it could
// not be started, or -2 when it was still running after timeoutMs (it is
// then terminated).
long RunProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                DWORD timeoutMs);

// Polls the condition every few milliseconds, pumping this thread's messages,
// until it holds or timeoutMs passed; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::string Narrow(const std::wstring& text);  // UTF-8

// Child programs: a test program started again with "--vorud-child NAME ..."
// runs the child NAME instead of its tests and exits with its result. Tests
// use them for work that needs a process of its own.
typedef int (*ChildMain)(int argc, wchar_t** argv);  // the arguments after NAME

class ChildRegistrar {
public:
    ChildRegistrar(const wchar_t* name, ChildMain main);
};

#define VORUD_TEST_CHILD(name)                                                                         \
    static int name##_child(int argc, wchar_t** argv);                                                 \
    static ::testing_support::ChildRegistrar name##_registrar(L## #name, &name##_child);               \
    static int name##_child(int argc, wchar_t** argv)

// Runs the named child in a new process of this program; its exit code, or
// -1 / -2 as RunProcess.
long RunChild(const std::wstring& name, const std::wstring& arguments, DWORD timeoutMs = 60000);

// Called by the test entry: when this process was started as a child, runs it
// and stores its result; returns false for an ordinary test run.
bool RunChildIfAsked(int* result);

}  // namespace testing_support
