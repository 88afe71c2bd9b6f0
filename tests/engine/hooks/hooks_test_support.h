// What the hook tests share: the fake product's files, a product folder laid
// out from them, the record the fakes write, the log, the program waits and
// the registry lists.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "log_capture.h"
#include "trusted_test_ca.h"
#include "test_support.h"

namespace hooks_test {

// The publisher's signer name and the other signer's.
extern const wchar_t kPublisher[];
extern const wchar_t kOtherSigner[];

// A built variant of a fake: Fixture(L"hook_program", L"publisher", L"exe")
// is ExeDir()\hooks\hook_program.publisher.exe.
std::wstring Fixture(const wchar_t* name, const wchar_t* variant, const wchar_t* extension);
inline std::wstring Program(const wchar_t* variant) { return Fixture(L"hook_program", variant, L"exe"); }
inline std::wstring Dll(const wchar_t* name, const wchar_t* variant) { return Fixture(name, variant, L"dll"); }

// A product folder whose name has a space, in a temporary folder.
class ProductFolder {
public:
    ProductFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring Join(const std::wstring& relative) const { return m_path + L"\\" + relative; }
    // Copies the file to the relative path (folders are made); its full path.
    std::wstring Place(const std::wstring& file, const std::wstring& relative) const;
    bool WriteText(const std::wstring& relative, const std::string& bytes) const;

private:
    testing_support::ScopedTempDir m_dir{L"product"};
    std::wstring m_path;
};

// While it lives, the fakes (and the programs they start) append to a fresh
// record file: VORUD_FIXTURE_RECORD names it.
class Record {
public:
    Record();
    ~Record();
    std::vector<std::wstring> Lines() const;
    // Waits until at least count lines are there; the lines.
    std::vector<std::wstring> WaitForLines(size_t count, DWORD timeoutMs = 20000) const;

    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

private:
    testing_support::ScopedTempDir m_dir{L"record"};
    std::wstring m_path;
};

// While it lives, every wait of a waiting RunProgram is noted.
class WaitLog {
public:
    WaitLog();
    ~WaitLog();
    std::vector<std::pair<std::wstring, DWORD>> Waits() const;

    WaitLog(const WaitLog&) = delete;
    WaitLog& operator=(const WaitLog&) = delete;
};

// An HKEY_LOCAL_MACHINE key in the 32-bit view, made fresh and removed with
// what it holds when the object goes (its parent too when this made it).
class ScopedHklmKey {
public:
    ScopedHklmKey(const std::wstring& parent, const std::wstring& name);
    ~ScopedHklmKey();
    bool IsOpen() const { return m_key != nullptr; }
    bool SetText(const std::wstring& name, const std::wstring& text);

    ScopedHklmKey(const ScopedHklmKey&) = delete;
    ScopedHklmKey& operator=(const ScopedHklmKey&) = delete;

private:
    std::wstring m_parent;
    std::wstring m_name;
    bool m_madeParent = false;
    HKEY m_key = nullptr;
};

extern const wchar_t kAppPathsKey[];

// The test CA the build makes next to the fakes, trusted while it lives.
class TrustedHooksCa : public TrustedTestCa {
public:
    TrustedHooksCa();
};

// A setup project file with the Setup element's content; "System" attributes
// of unregistration items take the value that this Windows uses.
bool WriteProject(const std::wstring& path, const std::wstring& content);
const wchar_t* SystemWidth();

// The line a fake program records when started through the shell or with a
// command line: "run " and the command line as it arrives.
std::wstring ShellRunLine(const std::wstring& program, const std::wstring& parameters);
// The line a fake DLL export records.
std::wstring CallLine(const wchar_t* exportName, const std::wstring& module, const std::wstring& argument);
std::wstring TextCallLine(const std::wstring& module, const std::wstring& argument, int capacity);

// A process of a fake program that stays running until the object goes.
class RunningProgram {
public:
    explicit RunningProgram(const std::wstring& path);
    ~RunningProgram();
    bool Started() const { return m_process != nullptr; }
    bool HasEnded(DWORD timeoutMs) const;

    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

private:
    HANDLE m_process = nullptr;
};

std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& utf8);

}  // namespace hooks_test
