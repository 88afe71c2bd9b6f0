#include "startup/command_parser.h"

#include <windows.h>
#include <shellapi.h>

#include <cwctype>

namespace {

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::iswspace(text[begin])) ++begin;
    while (end > begin && std::iswspace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::wstring UpperCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Frees what CommandLineToArgvW returned.
class CArgv {
public:
    explicit CArgv(const wchar_t* commandLine) : m_argv(::CommandLineToArgvW(commandLine, &m_argc)) {}
    ~CArgv() {
        if (m_argv) ::LocalFree(m_argv);
    }
    int Count() const { return m_argv ? m_argc : 0; }
    const wchar_t* operator[](int index) const { return m_argv[index]; }
    explicit operator bool() const { return m_argv != nullptr; }

    CArgv(const CArgv&) = delete;
    CArgv& operator=(const CArgv&) = delete;

private:
    int m_argc = 0;
    LPWSTR* m_argv;
};

}  // namespace

int CCommandParser::Parse(const wchar_t* commandLineTail) {
    m_commandLine = commandLineTail ? commandLineTail : L"";
    m_parsed = 1;
    m_options.clear();

    CArgv arguments(m_commandLine.c_str());
    for (int i = 0; i < arguments.Count(); ++i) {
        const std::wstring argument = arguments[i] ? arguments[i] : L"";
        std::wstring key = argument;
        std::wstring value;
        size_t equals = argument.find(L'=');
        if (equals != std::wstring::npos) {
            key = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        key = Trim(key);
        value = Trim(value);
        if (!value.empty() && value.front() == L'"') value.erase(0, 1);
        if (!value.empty() && value.back() == L'"') value.pop_back();
        m_options[UpperCase(key)] = value;
    }
    return 1;
}

bool CCommandParser::HasOption(const wchar_t* name) const {
    if (!name) return false;
    return m_options.find(UpperCase(name)) != m_options.end();
}

bool CCommandParser::GetOption(const wchar_t* name, std::wstring& value) const {
    if (!name) return false;
    auto option = m_options.find(UpperCase(name));
    if (option == m_options.end()) return false;
    value = option->second;
    return true;
}
