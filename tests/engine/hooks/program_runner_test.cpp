// Starting hook programs through the shell and calling hook DLL exports.
#include "engine/program_runner.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hooks_test_support.h"

using namespace hooks_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class ProgramRunnerTest : public ::testing::Test {
protected:
    ProductFolder product;
    Record record;
    ScopedLogCapture log;
    WaitLog waits;
};

TEST_F(ProgramRunnerTest, RunProgramStartsTheQuotedPathWithItsParametersAndWaits) {
    std::wstring program = product.Place(Program(L"publisher"), L"bin\\hook.exe");
    DWORD exitCode = 0;
    EXPECT_TRUE(RunProgram(program.c_str(), L"--exit=5 /x \"a b\"", SW_SHOWNORMAL, true, true, &exitCode, 20000));
    EXPECT_EQ(5u, exitCode);
    EXPECT_THAT(record.Lines(), ElementsAre(ShellRunLine(program, L"--exit=5 /x \"a b\"")));
    EXPECT_THAT(waits.Waits(), ElementsAre(Pair(program, 20000u)));
}

TEST_F(ProgramRunnerTest, RunProgramWithoutWaitingStartsAndReturns) {
    std::wstring program = product.Place(Program(L"publisher"), L"hook.exe");
    EXPECT_TRUE(RunProgram(program.c_str(), L"", SW_SHOWNORMAL, false, false, nullptr, 20000));
    EXPECT_EQ(1u, record.WaitForLines(1).size());
    EXPECT_THAT(waits.Waits(), IsEmpty());
}

TEST_F(ProgramRunnerTest, RunProgramRefusesInvalidPathsAndUnsignedProgramsWhenASignatureIsRequired) {
    std::wstring unsignedProgram = product.Place(Program(L"unsigned"), L"unsigned.exe");
    std::wstring otherSigner = product.Place(Program(L"other"), L"other.exe");
    std::wstring tooLong = product.Path() + L"\\" + std::wstring(MAX_PATH + 1 - product.Path().size(), L'x');
    ASSERT_EQ(static_cast<size_t>(MAX_PATH) + 2, tooLong.size());
    struct Case {
        const wchar_t* path;
        bool signatureRequired;
    } cases[] = {
        {nullptr, false},
        {L"", false},
        {tooLong.c_str(), false},
        {L"C:\\no\\such\\hook.exe", false},
        {unsignedProgram.c_str(), true},
        {otherSigner.c_str(), true},
    };
    for (const Case& c : cases) {
        DWORD exitCode = 77;
        EXPECT_FALSE(RunProgram(c.path, L"", SW_SHOWNORMAL, c.signatureRequired, true, &exitCode, 20000))
            << (c.path ? Narrow(c.path) : "null");
        EXPECT_EQ(77u, exitCode);
    }
    EXPECT_THAT(record.Lines(), IsEmpty());
    EXPECT_THAT(waits.Waits(), IsEmpty());

    // Without the check the unsigned program runs.
    EXPECT_TRUE(RunProgram(unsignedProgram.c_str(), nullptr, SW_SHOWNORMAL, false, true, nullptr, 20000));
    EXPECT_EQ(1u, record.Lines().size());
}

TEST_F(ProgramRunnerTest, CallExeProgramLogsBothEnds) {
    std::wstring program = product.Place(Program(L"publisher"), L"hook.exe");
    std::wstring unsignedProgram = product.Place(Program(L"unsigned"), L"unsigned.exe");
    CallExeProgram(program.c_str(), L"/u 1", true, true, 30000);
    CallExeProgram(unsignedProgram.c_str(), L"/u 2", true, true, 30000);
    CallExeProgram(product.Join(L"missing.exe").c_str(), L"/u 3", false, true, 30000);

    EXPECT_THAT(record.Lines(), ElementsAre(ShellRunLine(program, L"/u 1")));
    EXPECT_THAT(waits.Waits(), ElementsAre(Pair(program, 30000u)));
    EXPECT_THAT(log.Messages(), ElementsAre(L"call exe begin, path=[" + program + L"] cmd=[/u 1]",
                                            L"call exe return [1], path=[" + program + L"], cmd=[/u 1], sync[1]",
                                            L"call exe begin, path=[" + unsignedProgram + L"] cmd=[/u 2]",
                                            L"call exe return [0], path=[" + unsignedProgram +
                                                L"], cmd=[/u 2], sync[1]"));
}

TEST_F(ProgramRunnerTest, CallExeProgramWithoutWaitLogsSyncZero) {
    std::wstring program = product.Place(Program(L"publisher"), L"hook.exe");
    CallExeProgram(program.c_str(), L"", false, false, 30000);
    EXPECT_EQ(1u, record.WaitForLines(1).size());
    EXPECT_THAT(waits.Waits(), IsEmpty());
    EXPECT_TRUE(log.Has(L"call exe return [1], path=[" + program + L"], cmd=[], sync[0]"));
}

// A running copy of the program is terminated before it is started again.
TEST_F(ProgramRunnerTest, CallExeProgramTerminatesARunningCopyFirst) {
    std::wstring program = product.Place(Program(L"publisher"), L"hook.exe");
    RunningProgram first(program);
    ASSERT_TRUE(first.Started());
    ASSERT_EQ(1u, record.WaitForLines(1).size());

    CallExeProgram(program.c_str(), L"/again", true, true, 30000);
    EXPECT_TRUE(first.HasEnded(0)) << "the running copy was left running";
    EXPECT_EQ(ShellRunLine(program, L"/again"), record.WaitForLines(2).back());
}

struct DllCase {
    const char* name;
    const wchar_t* source;     // fake DLL variant, or null for no file
    const char* exportName;
    bool signatureRequired;
    bool called;
    bool signFailLogged;
};

class CallDllFunctionTest : public ProgramRunnerTest, public ::testing::WithParamInterface<DllCase> {};

TEST_P(CallDllFunctionTest, LoadsTheDllAndCallsTheExportWithTheArgument) {
    const DllCase& c = GetParam();
    std::wstring dll = c.source ? product.Place(Dll(L"hook_uninst", c.source), L"plugins\\hook.dll")
                                : product.Join(L"plugins\\hook.dll");
    CallDllFunction(dll.c_str(), c.exportName, L"arg \u5378\u8f7d", c.signatureRequired);

    std::vector<std::wstring> expectedLog;
    if (c.signFailLogged) expectedLog.push_back(L"file[" + dll + L"] check sign fail.");
    if (c.called) {
        EXPECT_THAT(record.Lines(), ElementsAre(CallLine(L"Uninst", dll, L"arg \u5378\u8f7d")));
        expectedLog.push_back(L"call dll func start, path=[" + dll + L"]");
        expectedLog.push_back(L"call dll fun end, path=[" + dll + L"]");
    } else {
        EXPECT_THAT(record.Lines(), IsEmpty());
    }
    EXPECT_EQ(expectedLog, log.Messages());
    EXPECT_EQ(nullptr, ::GetModuleHandleW(dll.c_str())) << "the DLL stayed loaded";
}

INSTANTIATE_TEST_SUITE_P(
    Dlls, CallDllFunctionTest,
    ::testing::Values(DllCase{"signed", L"publisher", "Uninst", true, true, false},
                      DllCase{"unsignedWithCheck", L"unsigned", "Uninst", true, false, true},
                      DllCase{"otherSignerWithCheck", L"other", "Uninst", true, false, true},
                      DllCase{"unsignedWithoutCheck", L"unsigned", "Uninst", false, true, false},
                      DllCase{"missingExport", L"publisher", "Uninstall", true, false, false},
                      DllCase{"missingFile", nullptr, "Uninst", false, false, false}),
    [](const ::testing::TestParamInfo<DllCase>& info) { return info.param.name; });

TEST_F(ProgramRunnerTest, CallDllFunctionWithANullPathDoesNothing) {
    CallDllFunction(nullptr, "Uninst", L"", false);
    EXPECT_THAT(log.Messages(), IsEmpty());
}

struct TextCase {
    const char* name;
    const wchar_t* argument;
    std::vector<int> capacities;  // of the calls made, in order
    const wchar_t* result;
};

class CallDllInterfaceExTest : public ProgramRunnerTest, public ::testing::WithParamInterface<TextCase> {};

// A positive count asks for a second call with that many characters plus
// the terminator; zero or less ends after the first.
TEST_P(CallDllInterfaceExTest, CallsAgainWithTheCountPlusOneWhenTheCountIsPositive) {
    const TextCase& c = GetParam();
    std::wstring dll = product.Place(Dll(L"hook_text", L"publisher"), L"plugins\\text.dll");
    EXPECT_EQ(c.result, CallDllInterfaceEx(dll.c_str(), "Uninst", c.argument, true));

    std::vector<std::wstring> expected;
    for (int capacity : c.capacities) expected.push_back(TextCallLine(dll, c.argument, capacity));
    EXPECT_EQ(expected, record.Lines());
    EXPECT_THAT(log.Messages(), ElementsAre(L"Call Dll Interface Ex ,path=[" + dll + L"]",
                                            L"call dll func start, path=[" + dll + L"]",
                                            L"call dll fun end, path=[" + dll + L"]"));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, CallDllInterfaceExTest,
    ::testing::Values(TextCase{"twenty", L"ret=20", {260, 21}, L"call2"},
                      TextCase{"one", L"/x ret=1", {260, 2}, L"c"},  // the second buffer holds one character
                      TextCase{"zero", L"ret=0", {260}, L"call1"},
                      TextCase{"negative", L"ret=-3", {260}, L"call1"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST_F(ProgramRunnerTest, CallDllInterfaceExRefusesUnsignedDllsWhenASignatureIsRequired) {
    std::wstring dll = product.Place(Dll(L"hook_text", L"unsigned"), L"plugins\\text.dll");
    EXPECT_EQ(L"", CallDllInterfaceEx(dll.c_str(), "Uninst", L"ret=20", true));
    EXPECT_THAT(record.Lines(), IsEmpty());
    EXPECT_THAT(log.Messages(), ElementsAre(L"Call Dll Interface Ex ,path=[" + dll + L"]",
                                            L"file[" + dll + L"] check sign fail"));

    EXPECT_EQ(L"call1", CallDllInterfaceEx(dll.c_str(), "Uninst", L"ret=0", false));
    EXPECT_EQ(1u, record.Lines().size());
}

TEST_F(ProgramRunnerTest, CallDllInterfaceExWithoutTheExportOrTheFileCallsNothing) {
    std::wstring dll = product.Place(Dll(L"hook_text", L"publisher"), L"plugins\\text.dll");
    EXPECT_EQ(L"", CallDllInterfaceEx(dll.c_str(), "Other", L"ret=20", true));
    EXPECT_EQ(L"", CallDllInterfaceEx(product.Join(L"missing.dll").c_str(), "Uninst", L"ret=20", false));
    EXPECT_EQ(L"", CallDllInterfaceEx(nullptr, "Uninst", L"ret=20", false));
    EXPECT_THAT(record.Lines(), IsEmpty());
    EXPECT_THAT(log.Starting(L"call dll func start"), IsEmpty());
    EXPECT_EQ(nullptr, ::GetModuleHandleW(dll.c_str())) << "the DLL stayed loaded";
}

}  // namespace
