// The start-up sequence run in a process of its own: the switches it was
// given are what the rest of the process sees.
#include "startup/startup.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "base/silent_flag.h"
#include "startup/command_parser.h"
#include "test_support.h"

using namespace testing_support;

namespace {

enum SeenBit { kSeenSilent = 1, kSeenSilentFlag = 2, kSeenSecondStage = 4, kSeenRestore = 8, kSeenToken = 16 };

// Runs the start-up with the tail passed as the first argument and reports
// what it left in the command-line table and the silent flag.
VORUD_TEST_CHILD(run_startup) {
    const wchar_t* tail = argc > 0 ? argv[0] : L"";
    if (RunUninstallerProcess(::GetModuleHandleW(nullptr), tail, SW_SHOWNORMAL) != 0) return 100;
    CCommandParser* parser = CCommandParser::Instance();
    if (parser->GetCommandLineTail() != tail) return 101;
    std::wstring token;
    int seen = 0;
    if (parser->IsSilent()) seen |= kSeenSilent;
    if (GetSilentFlag()) seen |= kSeenSilentFlag;
    if (parser->HasOption(L"/READYUNINSTALL")) seen |= kSeenSecondStage;
    if (parser->HasOption(L"/K")) seen |= kSeenRestore;
    if (parser->GetOption(L"/CHK", token) && token == L"abc") seen |= kSeenToken;
    return seen;
}

TEST(StartupTest, TheSwitchesReachTheProcess) {
    const struct {
        const wchar_t* tail;
        long seen;
    } cases[] = {
        {L"\"\"", 0},
        {L"\"/s\"", kSeenSilent | kSeenSilentFlag},
        {L"\"/READYUNINSTALL /K\"", kSeenSecondStage | kSeenRestore},
        {L"\"/READYUNINSTALL  /S  /CHK=abc\"", kSeenSecondStage | kSeenSilent | kSeenSilentFlag | kSeenToken},
        {L"\"-S /S= /x\"", kSeenSilent | kSeenSilentFlag},
    };
    for (const auto& c : cases) EXPECT_EQ(c.seen, RunChild(L"run_startup", c.tail)) << Narrow(c.tail);
}

}  // namespace
