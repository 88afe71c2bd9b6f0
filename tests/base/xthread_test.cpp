#include "base/xthread.h"

#include <objbase.h>

#include <atomic>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

using testing_support::WaitUntil;

namespace {

// A callback that records each run and, when asked, holds the run until it
// is released.
class RecordingCallback : public IThreadCallback {
public:
    RecordingCallback() {
        m_release = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
        m_entered = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~RecordingCallback() {
        ::CloseHandle(m_release);
        ::CloseHandle(m_entered);
    }

    void Hold() { ::ResetEvent(m_release); }
    void Release() { ::SetEvent(m_release); }
    bool WaitEntered(DWORD ms) { return ::WaitForSingleObject(m_entered, ms) == WAIT_OBJECT_0; }

    void OnThreadRun(int parameter) override {
        APTTYPE type = APTTYPE_CURRENT;
        APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
        bool sta = SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MAINSTA;
        if (!sta) sta = type == APTTYPE_STA;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_parameters.push_back(parameter);
            m_threads.push_back(::GetCurrentThreadId());
            m_sta.push_back(sta);
        }
        ::SetEvent(m_entered);
        ::WaitForSingleObject(m_release, 10000);
        ++m_finished;
    }

    std::vector<int> Parameters() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_parameters;
    }
    std::vector<DWORD> Threads() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_threads;
    }
    std::vector<bool> Sta() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_sta;
    }
    int Finished() const { return m_finished.load(); }

private:
    HANDLE m_release;
    HANDLE m_entered;
    std::mutex m_mutex;
    std::vector<int> m_parameters;
    std::vector<DWORD> m_threads;
    std::vector<bool> m_sta;
    std::atomic<int> m_finished{0};
};

TEST(XThreadTest, StartDuringARunIsRefusedAndALaterStartRunsAgainWithItsParameter) {
    RecordingCallback callback;
    CXThread thread;

    callback.Hold();
    EXPECT_EQ(1, thread.Start(11, &callback));
    ASSERT_TRUE(callback.WaitEntered(5000));
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(0, thread.Start(22, &callback)) << "a run is in progress";

    callback.Release();
    ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }, 5000));
    EXPECT_EQ(std::vector<int>{11}, callback.Parameters()) << "the refused start must not run";

    EXPECT_EQ(1, thread.Start(33, &callback));
    ASSERT_TRUE(callback.WaitEntered(5000));
    ASSERT_TRUE(WaitUntil([&] { return callback.Finished() == 2 && !thread.IsRunning(); }, 5000));

    EXPECT_EQ((std::vector<int>{11, 33}), callback.Parameters());
    std::vector<DWORD> threads = callback.Threads();
    ASSERT_EQ(2u, threads.size());
    EXPECT_EQ(threads[0], threads[1]) << "every run uses the same worker";
    EXPECT_NE(::GetCurrentThreadId(), threads[0]);
}

TEST(XThreadTest, EachRunHasCOMInitialisedAsASingleThreadedApartment) {
    RecordingCallback callback;
    CXThread thread;
    EXPECT_EQ(1, thread.Start(0, &callback));
    ASSERT_TRUE(callback.WaitEntered(5000));
    ASSERT_TRUE(WaitUntil([&] { return callback.Finished() == 1; }, 5000));
    EXPECT_EQ(std::vector<bool>{true}, callback.Sta());
}

TEST(XThreadTest, DestroyingAnIdleWorkerEndsItsThread) {
    RecordingCallback callback;
    DWORD start = ::GetTickCount();
    {
        CXThread thread;
        EXPECT_EQ(1, thread.Start(5, &callback));
        ASSERT_TRUE(callback.WaitEntered(5000));
        ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }, 5000));
    }
    EXPECT_LT(::GetTickCount() - start, 3000u);
}

}  // namespace
