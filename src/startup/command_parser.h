// The command-line switches of the running process: "/S" (silent run),
// "/READYUNINSTALL" (the relocated second stage), "/CHK=token" (the caller
// token of a silent second stage) and "/K" (restore instead of uninstall).
// Filled once at start-up, read-only afterwards.
#pragma once

#include <map>
#include <string>

#include "base/singleton.h"

class CCommandParser : public CSingletonT<CCommandParser> {
public:
    ~CCommandParser() override {}

    // Splits the tail (null counts as empty) with the rules of
    // CommandLineToArgvW applied to the tail itself, so its first argument is
    // read with that function's program-name rules and an empty tail yields
    // the running program's full path. Each argument becomes a key (the text
    // before its first "=", trimmed and upper-cased) with a value (the text
    // after it, trimmed, with one leading and one trailing double quote
    // removed); a later switch replaces an earlier one. Returns 1.
    int Parse(const wchar_t* commandLineTail);

    // Names include the leading "/" and are matched upper-cased.
    bool HasOption(const wchar_t* name) const;
    // Copies the value and returns true when the switch is present; leaves
    // the output alone otherwise.
    bool GetOption(const wchar_t* name, std::wstring& value) const;
    bool IsSilent() const { return HasOption(L"/S"); }

    const std::wstring& GetCommandLineTail() const { return m_commandLine; }
    const std::map<std::wstring, std::wstring>& GetOptions() const { return m_options; }

private:
    friend class CSingletonT<CCommandParser>;
    CCommandParser() {}

    std::wstring m_commandLine;
    int m_parsed = 0;
    std::map<std::wstring, std::wstring> m_options;
};
