#include "base/singleton.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::atomic<int> g_slowConstructions{0};

// Slow to construct, so that racing callers overlap inside creation.
class SlowSingleton : public CSingletonT<SlowSingleton> {
    friend class CSingletonT<SlowSingleton>;
    SlowSingleton() {
        ++g_slowConstructions;
        ::Sleep(100);
    }
};

TEST(SingletonTest, ThreadsCallingInstanceAtOnceCreateOneObject) {
    const int kThreads = 8;
    HANDLE go = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<SlowSingleton*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ::WaitForSingleObject(go, INFINITE);
            seen[i] = SlowSingleton::Instance();
        });
    }
    ::Sleep(50);
    ::SetEvent(go);
    for (std::thread& t : threads) t.join();
    ::CloseHandle(go);

    EXPECT_EQ(1, g_slowConstructions.load());
    ASSERT_NE(nullptr, seen[0]);
    for (SlowSingleton* instance : seen) EXPECT_EQ(seen[0], instance);
    EXPECT_EQ(seen[0], SlowSingleton::Instance());
    EXPECT_EQ(1, g_slowConstructions.load());
}

class Plain : public CSingletonT<Plain> {
public:
    int value = 42;
};

TEST(SingletonTest, EachTypeHasItsOwnInstance) {
    ASSERT_NE(nullptr, Plain::Instance());
    EXPECT_EQ(42, Plain::Instance()->value);
    EXPECT_NE(static_cast<void*>(Plain::Instance()), static_cast<void*>(SlowSingleton::Instance()));
}

}  // namespace
