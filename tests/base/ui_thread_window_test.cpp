#include "base/ui_thread_window.h"

#include <atomic>
#include <cwchar>
#include <thread>

#include <gtest/gtest.h>

#include "test_support.h"

using testing_support::WaitUntil;

namespace {

class Recorder {
public:
    void Record() {
        thread = ::GetCurrentThreadId();
        ++calls;
    }
    void RecordValue(int v) {
        value = v;
        thread = ::GetCurrentThreadId();
        ++calls;
    }
    std::atomic<DWORD> thread{0};
    std::atomic<int> calls{0};
    std::atomic<int> value{0};
};

// Windows of this thread whose class is that of the given window.
int CountThreadWindowsLike(HWND window) {
    struct Search {
        wchar_t className[256];
        int count;
    } search = {{}, 0};
    ::GetClassNameW(window, search.className, 256);
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            Search* s = reinterpret_cast<Search*>(param);
            wchar_t name[256] = {};
            ::GetClassNameW(hwnd, name, 256);
            if (wcscmp(name, s->className) == 0) ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

// Runs CallOnUIThread on a worker while this (the UI) thread pumps messages;
// returns the calls the recorder had seen when CallOnUIThread returned.
int CallFromWorker(ISimpleBind* bind, Recorder& recorder) {
    std::atomic<bool> done{false};
    std::atomic<int> seenOnReturn{-1};
    std::thread worker([&] {
        CallOnUIThread(bind);
        seenOnReturn = recorder.calls.load();
        done = true;
    });
    bool finished = WaitUntil([&] { return done.load(); }, 5000);
    worker.join();
    EXPECT_TRUE(finished);
    return seenOnReturn.load();
}

// The window exists once per process, so its whole life is one test.
TEST(UIThreadWindowTest, CallsRunOnTheUIThreadOnlyOnceTheWindowExists) {
    Recorder recorder;
    mf_bind_t<Recorder, Recorder*, void> bind(&Recorder::Record, &recorder);

    // Before the window: nothing happens, the call returns.
    ASSERT_EQ(nullptr, GetUIThreadWindow());
    EXPECT_EQ(0, CallFromWorker(&bind, recorder));
    EXPECT_EQ(0, recorder.calls.load());

    ASSERT_TRUE(CreateUIThreadWindow());
    HWND window = GetUIThreadWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(static_cast<LONG_PTR>(WS_POPUP), ::GetWindowLongPtrW(window, GWL_STYLE) & (WS_POPUP | WS_CHILD));

    // A second creation makes no second window.
    ASSERT_TRUE(CreateUIThreadWindow());
    EXPECT_EQ(window, GetUIThreadWindow());
    EXPECT_EQ(1, CountThreadWindowsLike(window));

    // From a worker: the bind runs on this thread, and the caller waits for it.
    EXPECT_EQ(1, CallFromWorker(&bind, recorder));
    EXPECT_EQ(::GetCurrentThreadId(), recorder.thread.load());

    mf_bind_t_1<Recorder, Recorder*, void, int> bindValue(&Recorder::RecordValue, &recorder, 57);
    EXPECT_EQ(2, CallFromWorker(&bindValue, recorder));
    EXPECT_EQ(57, recorder.value.load());
    EXPECT_EQ(::GetCurrentThreadId(), recorder.thread.load());

    // A null bind is ignored by the window.
    CallOnUIThread(nullptr);
    EXPECT_EQ(0, ::SendMessageW(window, WM_UITHREAD_INVOKE, 0, 0));
    EXPECT_EQ(2, recorder.calls.load());
}

}  // namespace
