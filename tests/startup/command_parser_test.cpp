// The command-line table: how tails split into switches and values.
#include "startup/command_parser.h"

#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

using testing_support::Narrow;

namespace {

typedef std::map<std::wstring, std::wstring> Options;

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::wstring RunningProgram() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

const Options& Parse(const wchar_t* tail) {
    CCommandParser* parser = CCommandParser::Instance();
    EXPECT_EQ(1, parser->Parse(tail));
    return parser->GetOptions();
}

struct TailCase {
    const char* name;
    const wchar_t* tail;
    Options expected;
};

class CommandParserTableTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandParserTableTest, SplitsTheTail) { EXPECT_EQ(GetParam().expected, Parse(GetParam().tail)); }

INSTANTIATE_TEST_SUITE_P(
    Tails, CommandParserTableTest,
    ::testing::Values(
        TailCase{"lowerCaseSilent", L"/s", {{L"/S", L""}}},
        TailCase{"silent", L"/S", {{L"/S", L""}}},
        TailCase{"lookalikesOfSilent", L"S -S /S=", {{L"S", L""}, {L"-S", L""}, {L"/S", L""}}},
        TailCase{"onlyTheFirstEqualsSplits", L"/CHK=abc=def", {{L"/CHK", L"abc=def"}}},
        TailCase{"quotedValue", L"/READYUNINSTALL /CHK=\\\"abc\\\"", {{L"/READYUNINSTALL", L""}, {L"/CHK", L"abc"}}},
        TailCase{"quotedValueWithBlanks",
                 L"/K \"/CHK=  \\\"a b\\\"  \"",
                 {{L"/K", L""}, {L"/CHK", L"a b"}}},
        TailCase{"loneQuote", L"/READYUNINSTALL /CHK=\\\"", {{L"/READYUNINSTALL", L""}, {L"/CHK", L""}}},
        TailCase{"onlyLeadingQuote", L"/K /CHK=\\\"abc", {{L"/K", L""}, {L"/CHK", L"abc"}}},
        TailCase{"onlyTrailingQuote", L"/K /CHK=abc\\\"", {{L"/K", L""}, {L"/CHK", L"abc"}}},
        TailCase{"laterSwitchWins",
                 L"/READYUNINSTALL /CHK=first /chk=second",
                 {{L"/READYUNINSTALL", L""}, {L"/CHK", L"second"}}},
        TailCase{"firstArgumentIsASwitch",
                 L"/S  /READYUNINSTALL  /CHK=token",
                 {{L"/S", L""}, {L"/READYUNINSTALL", L""}, {L"/CHK", L"token"}}},
        TailCase{"keysAreTrimmedAndUpperCased", L"/K \"  /chk = v \"", {{L"/K", L""}, {L"/CHK", L"v"}}},
        TailCase{"quotedPathWithBlanks",
                 L"/READYUNINSTALL \"/DIR=C:\\Program Files (x86)\\Vela Wall\"",
                 {{L"/READYUNINSTALL", L""}, {L"/DIR", L"C:\\Program Files (x86)\\Vela Wall"}}},
        TailCase{"doubledBackslashBeforeQuote",
                 L"/K /DIR=\"C:\\a b\\\\\" /S",
                 {{L"/K", L""}, {L"/DIR", L"C:\\a b\\"}, {L"/S", L""}}},
        TailCase{"escapedQuoteSwallowsTheRest",
                 L"/K /DIR=\"C:\\a b\\\" /S",
                 {{L"/K", L""}, {L"/DIR", L"C:\\a b\" /S"}}},
        TailCase{"firstArgumentIsAQuotedPath",
                 L"\"C:\\Program Files\\Vela\\Uninstall.exe\" /S",
                 {{L"C:\\PROGRAM FILES\\VELA\\UNINSTALL.EXE", L""}, {L"/S", L""}}},
        TailCase{"firstArgumentEndsAtItsFirstBlank", L"/K=\"a b\"", {{L"/K", L"a"}, {L"B", L""}}},
        TailCase{"firstArgumentKeepsItsBackslashes", L"/CHK=a\\\"b /S", {{L"/CHK", L"a\\\"b"}, {L"/S", L""}}},
        TailCase{"leadingBlankGivesAnEmptyFirstArgument", L" /S", {{L"", L""}, {L"/S", L""}}},
        TailCase{"otherArgumentsAreStored",
                 L"/X=1 \"quoted arg\" -y 卸载",
                 {{L"/X", L"1"}, {L"QUOTED ARG", L""}, {L"-Y", L""}, {L"卸载", L""}}}),
    [](const ::testing::TestParamInfo<TailCase>& info) { return info.param.name; });

TEST(CommandParserTest, EmptyTailHoldsTheRunningProgramOnly) {
    const Options expected = {{Upper(RunningProgram()), L""}};
    EXPECT_EQ(expected, Parse(L""));
    EXPECT_EQ(expected, Parse(nullptr));
    CCommandParser* parser = CCommandParser::Instance();
    EXPECT_EQ(L"", parser->GetCommandLineTail());
    for (const wchar_t* name : {L"/S", L"/READYUNINSTALL", L"/CHK", L"/K"}) EXPECT_FALSE(parser->HasOption(name));
}

TEST(CommandParserTest, QueriesIgnoreCaseAndLeaveTheOutputAloneWhenMissing) {
    Parse(L"/s /ReadyUninstall /chk=Token");
    CCommandParser* parser = CCommandParser::Instance();
    EXPECT_TRUE(parser->IsSilent());
    EXPECT_TRUE(parser->HasOption(L"/readyuninstall"));
    EXPECT_FALSE(parser->HasOption(L"/K"));
    EXPECT_FALSE(parser->HasOption(L"READYUNINSTALL"));
    EXPECT_FALSE(parser->HasOption(nullptr));

    std::wstring value = L"before";
    EXPECT_TRUE(parser->GetOption(L"/Chk", value));
    EXPECT_EQ(L"Token", value);  // values keep their case
    value = L"before";
    EXPECT_TRUE(parser->GetOption(L"/S", value));
    EXPECT_EQ(L"", value);
    value = L"before";
    EXPECT_FALSE(parser->GetOption(L"/K", value));
    EXPECT_FALSE(parser->GetOption(nullptr, value));
    EXPECT_EQ(L"before", value);
}

TEST(CommandParserTest, ParsingAgainStartsFromAnEmptyTable) {
    Parse(L"/S /K");
    EXPECT_EQ((Options{{L"/READYUNINSTALL", L""}}), Parse(L"/READYUNINSTALL"));
    EXPECT_FALSE(CCommandParser::Instance()->IsSilent());
}

// Hostile tails: random and truncated ones never break the table's rules.
TEST(CommandParserTest, SurvivesRandomAndTruncatedTails) {
    const wchar_t pieces[] = L" \t\"\\=/SKCHK-a中\x3000";
    const std::wstring real = L"/S  /READYUNINSTALL  /CHK=\"9G1TYwWpnFCt6lIXO4FY9Q==\" \"/DIR=C:\\a b\\\\\"";
    std::srand(1211);
    for (size_t round = 0; round < 3000 + real.size(); ++round) {
        std::wstring tail;
        if (round <= real.size()) {
            tail = real.substr(0, round);
        } else {
            const int length = std::rand() % 48;
            for (int i = 0; i < length; ++i) tail += pieces[std::rand() % (sizeof(pieces) / sizeof(wchar_t) - 1)];
        }
        const Options& options = Parse(tail.c_str());
        ASSERT_FALSE(options.empty()) << Narrow(tail);
        for (const auto& option : options) {
            const std::wstring& key = option.first;
            EXPECT_EQ(Upper(key), key);
            EXPECT_EQ(std::wstring::npos, key.find(L'='));
            if (!key.empty()) {
                EXPECT_FALSE(std::iswspace(key.front()));
                EXPECT_FALSE(std::iswspace(key.back()));
            }
        }
    }
}

}  // namespace
