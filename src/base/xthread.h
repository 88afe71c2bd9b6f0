// A restartable worker thread: each Start runs the callback once on the same
// worker, with COM initialised (single-threaded apartment) for the run.
#pragma once

#include <windows.h>

#include "base/handle.h"
#include "base/waiting_worker.h"

class IThreadCallback {
public:
    virtual void OnThreadRun(int parameter) = 0;

protected:
    ~IThreadCallback() = default;
};

class CXThread : public IWaitingWorkerClient {
public:
    CXThread();
    virtual ~CXThread();

    // Arranges one run of callback->OnThreadRun(parameter) on the worker and
    // returns 1; returns 0 while a run is in progress (nothing is arranged
    // then) or when the worker cannot be made. The first Start fixes the
    // callback.
    int Start(int parameter, IThreadCallback* callback);

    bool IsRunning() const;

    // The worker's side (IWaitingWorkerClient).
    DWORD Execute(DWORD_PTR parameter, HANDLE handle) override;
    DWORD CloseHandle(HANDLE handle) override;

    CXThread(const CXThread&) = delete;
    CXThread& operator=(const CXThread&) = delete;

private:
    volatile LONG m_started;
    volatile LONG m_running;
    volatile LONG m_parameter;
    CHandle m_startEvent;
    CWaitingWorker m_worker;
    IThreadCallback* m_callback;
};
