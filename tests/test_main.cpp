// Entry of every test program: the runtime locale the uninstaller itself
// sets at start-up, then GoogleTest.
#include <windows.h>

#include <clocale>

#include <gmock/gmock.h>

#include "test_support.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "chs");
    // A crash or an assertion in the program under test must end the test
    // process, never wait in an error dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    int childResult = 0;
    if (testing_support::RunChildIfAsked(&childResult)) return childResult;
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
