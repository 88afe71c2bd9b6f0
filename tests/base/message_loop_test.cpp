#include "base/app_module.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(MessageLoopTest, MouseMovesPaintsAndTheSystemTimerDoNotReArmIdleProcessing) {
    struct Case {
        UINT message;
        BOOL idle;
    };
    const Case cases[] = {
        {WM_MOUSEMOVE, FALSE}, {WM_NCMOUSEMOVE, FALSE}, {WM_PAINT, FALSE}, {0x0118, FALSE},
        {WM_TIMER, TRUE},      {WM_USER, TRUE},         {WM_KEYDOWN, TRUE},
    };
    for (const Case& c : cases) {
        MSG msg = {};
        msg.message = c.message;
        EXPECT_EQ(c.idle, CMessageLoop::IsIdleMessage(&msg)) << "message 0x" << std::hex << c.message;
    }
}

// Posts thread messages from its idle handler and records what the loop did.
class Script : public IIdleHandler, public ILoopMessageFilter {
public:
    explicit Script(DWORD thread) : m_thread(thread) {}

    BOOL OnIdle() override {
        ++idleCalls;
        if (idleCalls == 1) {
            // A mouse move alone must not bring idle processing back; a later
            // ordinary message does.
            ::PostThreadMessageW(m_thread, WM_MOUSEMOVE, 0, 0);
            m_poker = std::thread([this] {
                ::Sleep(200);
                ::PostThreadMessageW(m_thread, WM_APP + 1, 0, 0);
            });
        } else if (idleCalls == 2) {
            ::PostQuitMessage(7);
        }
        return FALSE;
    }

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_APP + 1) idleCallsAtPoke = idleCalls;
        return FALSE;
    }

    void Join() {
        if (m_poker.joinable()) m_poker.join();
    }

    int idleCalls = 0;
    int idleCallsAtPoke = -1;

private:
    DWORD m_thread;
    std::thread m_poker;
};

TEST(MessageLoopTest, RunReturnsTheQuitCodeAndRunsIdleHandlersWhenTheQueueIsEmpty) {
    CMessageLoop loop;
    Script script(::GetCurrentThreadId());
    ASSERT_TRUE(loop.AddIdleHandler(&script));
    ASSERT_TRUE(loop.AddMessageFilter(&script));
    EXPECT_FALSE(loop.AddIdleHandler(&script)) << "a handler is registered once";

    EXPECT_EQ(7, loop.Run());
    script.Join();
    EXPECT_EQ(1, script.idleCallsAtPoke);
    EXPECT_EQ(2, script.idleCalls);
}

TEST(AppModuleTest, EachThreadHasItsOwnMessageLoop) {
    CAppModule module;
    ASSERT_EQ(S_OK, module.Init(nullptr));
    EXPECT_EQ(::GetModuleHandleW(nullptr), module.GetModuleInstance());

    CMessageLoop mine, theirs;
    ASSERT_TRUE(module.AddMessageLoop(&mine));
    EXPECT_FALSE(module.AddMessageLoop(&theirs)) << "one loop per thread";
    CMessageLoop* seenByOther = &theirs;
    std::thread other([&] {
        module.AddMessageLoop(&theirs);
        seenByOther = module.GetMessageLoop();
        module.RemoveMessageLoop();
    });
    other.join();
    EXPECT_EQ(&theirs, seenByOther);
    EXPECT_EQ(&mine, module.GetMessageLoop());
    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_EQ(nullptr, module.GetMessageLoop());
    module.Term();
}

}  // namespace
