#include "base/simple_thread.h"

#include <process.h>

CSimpleThread::CSimpleThread() : m_thread(nullptr), m_threadId(static_cast<unsigned>(-1)), m_proc(nullptr) {}

bool CSimpleThread::Start(ThreadProc proc, void* parameter) {
    if (!proc) return false;
    m_proc = proc;
    unsigned id = 0;
    uintptr_t handle = ::_beginthreadex(nullptr, 0, proc, parameter, 0, &id);
    if (!handle) {
        m_threadId = static_cast<unsigned>(-1);
        return false;
    }
    m_threadId = id;
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    m_thread = nullptr;
    return true;
}
