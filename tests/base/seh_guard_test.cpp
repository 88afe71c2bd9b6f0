// A structured exception inside a guarded call becomes a false result and the
// thread goes on.
#include "base/seh_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

void WriteThroughNull(void*) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

void RaiseNonContinuable(void*) { ::RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr); }

void DivideByZero(void* context) {
    volatile int zero = 0;
    *static_cast<int*>(context) = 10 / zero;
}

void SetFlag(void* context) { *static_cast<int*>(context) = 7; }

// The inner guard catches; the outer call returns normally.
void NestedFault(void* context) {
    int* result = static_cast<int*>(context);
    *result = RunSehGuarded(&WriteThroughNull, nullptr) ? 1 : 2;
}

TEST(SehGuardTest, TurnsAFaultIntoFalseAndLetsTheThreadGoOn) {
    int value = 0;
    const struct {
        const char* name;
        void (*fn)(void*);
        bool expected;
    } cases[] = {
        {"access violation", &WriteThroughNull, false},
        {"raised exception", &RaiseNonContinuable, false},
        {"integer division by zero", &DivideByZero, false},
        {"normal return", &SetFlag, true},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) EXPECT_EQ(c.expected, RunSehGuarded(c.fn, &value)) << c.name;
    }
    EXPECT_EQ(7, value);
    EXPECT_FALSE(RunSehGuarded(nullptr, nullptr));
}

TEST(SehGuardTest, GuardsNestAndWorkOnOtherThreads) {
    int nested = 0;
    EXPECT_TRUE(RunSehGuarded(&NestedFault, &nested));
    EXPECT_EQ(2, nested);

    struct Worker {
        static DWORD WINAPI Run(void*) { return RunSehGuarded(&WriteThroughNull, nullptr) ? 1 : 2; }
    };
    HANDLE thread = ::CreateThread(nullptr, 0, &Worker::Run, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));
    DWORD code = 0;
    ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    EXPECT_EQ(2u, code);
}

}  // namespace
