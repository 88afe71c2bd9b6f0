#include "base/simple_thread.h"

#include <gtest/gtest.h>

namespace {

struct Job {
    HANDLE done;
    DWORD ranOn;
    int value;
};

unsigned __stdcall RunJob(void* parameter) {
    Job* job = static_cast<Job*>(parameter);
    job->ranOn = ::GetCurrentThreadId();
    job->value *= 3;
    ::SetEvent(job->done);
    return 0;
}

TEST(SimpleThreadTest, RunsTheProcedureWithItsParameterOnANewThread) {
    Job job = {::CreateEventW(nullptr, TRUE, FALSE, nullptr), 0, 14};
    CSimpleThread thread;
    ASSERT_TRUE(thread.Start(&RunJob, &job));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(job.done, 5000));
    EXPECT_EQ(42, job.value);
    EXPECT_NE(::GetCurrentThreadId(), job.ranOn);
    EXPECT_EQ(job.ranOn, thread.ThreadId());
    ::CloseHandle(job.done);
}

TEST(SimpleThreadTest, ANullProcedureStartsNothing) {
    CSimpleThread thread;
    EXPECT_FALSE(thread.Start(nullptr, nullptr));
    EXPECT_EQ(static_cast<unsigned>(-1), thread.ThreadId());
}

}  // namespace
