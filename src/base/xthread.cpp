#include "base/xthread.h"

#include <objbase.h>

CXThread::CXThread() : m_started(0), m_running(0), m_parameter(0), m_callback(nullptr) {}

CXThread::~CXThread() {
    // The worker waits on the start event: stop it before the event closes.
    if (!m_worker.Stop(1000)) m_startEvent.Detach();
}

bool CXThread::IsRunning() const {
    return ::InterlockedCompareExchange(const_cast<volatile LONG*>(&m_running), 0, 0) == 1;
}

int CXThread::Start(int parameter, IThreadCallback* callback) {
    if (IsRunning()) return 0;

    if (::InterlockedCompareExchange(&m_started, 0, 0) == 0) {
        if (!m_worker.Start()) return 0;
        if (!m_startEvent) m_startEvent.Attach(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!m_startEvent) return 0;
        if (!m_worker.AddHandle(m_startEvent.Get(), this, 0)) return 0;
        m_callback = callback;
        ::InterlockedExchange(&m_started, 1);
    }

    ::InterlockedExchange(&m_parameter, parameter);
    ::SetEvent(m_startEvent.Get());
    return 1;
}

DWORD CXThread::Execute(DWORD_PTR, HANDLE) {
    HRESULT com = ::CoInitialize(nullptr);
    ::InterlockedExchange(&m_running, 1);
    if (m_callback) m_callback->OnThreadRun(static_cast<int>(::InterlockedCompareExchange(&m_parameter, 0, 0)));
    ::InterlockedExchange(&m_running, 0);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

DWORD CXThread::CloseHandle(HANDLE) { return 0; }
