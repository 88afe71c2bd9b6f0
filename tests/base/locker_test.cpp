#include "base/locker.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

using _BaseModule::CAutoLocker;
using _BaseModule::CCriticalSection;

TEST(CriticalSectionTest, TheOwningThreadMayLockAgain) {
    CCriticalSection lock;
    CAutoLocker outer(lock);
    CAutoLocker inner(lock);
    SUCCEED();
}

TEST(CriticalSectionTest, AnotherThreadWaitsUntilTheLockIsReleased) {
    CCriticalSection lock;
    volatile LONG entered = 0;
    std::thread other;
    {
        CAutoLocker guard(lock);
        other = std::thread([&] {
            CAutoLocker theirs(lock);
            ::InterlockedExchange(&entered, 1);
        });
        ::Sleep(100);
        EXPECT_EQ(0, ::InterlockedCompareExchange(&entered, 0, 0));
    }
    other.join();
    EXPECT_EQ(1, entered);
}

TEST(AutoLockerTest, ANullLockerIsAccepted) {
    CAutoLocker guard(static_cast<_BaseModule::ILocker*>(nullptr));
    SUCCEED();
}

}  // namespace
