// A thread that waits on a set of handles and calls each handle's client when
// it is signalled.
#pragma once

#include <windows.h>

#include <vector>

#include "base/handle.h"
#include "base/locker.h"

// What a waiting worker calls. Both run on the worker thread.
class IWaitingWorkerClient {
public:
    // The handle was signalled; parameter is the value it was added with.
    virtual DWORD Execute(DWORD_PTR parameter, HANDLE handle) = 0;
    // The worker no longer waits on the handle (it is stopping).
    virtual DWORD CloseHandle(HANDLE handle) = 0;

protected:
    ~IWaitingWorkerClient() = default;
};

class CWaitingWorker {
public:
    // Two of the 64 wait slots are the worker's own (stop and refresh).
    static const size_t kMaxClientHandles = MAXIMUM_WAIT_OBJECTS - 2;

    CWaitingWorker();
    // Stops the worker when it is idle; a worker that is still inside a
    // client's Execute after a short wait is left to the end of the process.
    ~CWaitingWorker();

    bool Start();
    bool IsStarted() const { return m_thread.IsValid(); }

    // The worker waits on the handle from now on. The handle stays the
    // caller's; it must stay open while the worker runs.
    bool AddHandle(HANDLE handle, IWaitingWorkerClient* client, DWORD_PTR parameter);

    // Asks the worker to end and waits up to timeoutMs for it; true when it
    // ended.
    bool Stop(DWORD timeoutMs);

    DWORD ThreadId() const { return m_threadId; }

    CWaitingWorker(const CWaitingWorker&) = delete;
    CWaitingWorker& operator=(const CWaitingWorker&) = delete;

private:
    struct Entry {
        HANDLE handle;
        IWaitingWorkerClient* client;
        DWORD_PTR parameter;
    };

    static unsigned __stdcall ThreadMain(void* self);
    void Run();

    _BaseModule::CCriticalSection m_lock;
    std::vector<Entry> m_entries;
    CHandle m_stopEvent;
    CHandle m_refreshEvent;
    CHandle m_thread;
    DWORD m_threadId;
};
