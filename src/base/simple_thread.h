// Starts a detached thread: the thread owns its parameter block.
#pragma once

#include <windows.h>

class CSimpleThread {
public:
    typedef unsigned(__stdcall* ThreadProc)(void* parameter);

    CSimpleThread();

    // Starts proc(parameter) on a new thread with the default stack size and
    // closes the thread handle at once. Returns false when no thread could be
    // started; the caller then still owns the parameter.
    bool Start(ThreadProc proc, void* parameter);

    unsigned ThreadId() const { return m_threadId; }

private:
    HANDLE m_thread;
    unsigned m_threadId;
    ThreadProc m_proc;
};
