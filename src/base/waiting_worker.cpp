#include "base/waiting_worker.h"

#include <process.h>

CWaitingWorker::CWaitingWorker() : m_threadId(0) {}

CWaitingWorker::~CWaitingWorker() {
    if (!m_thread.IsValid()) return;
    if (!Stop(1000)) {
        // Still busy in a client: the events must outlive it, so they are
        // left open for the rest of the process.
        m_stopEvent.Detach();
        m_refreshEvent.Detach();
        m_thread.Detach();
    }
}

bool CWaitingWorker::Start() {
    if (m_thread.IsValid()) return true;
    m_stopEvent.Attach(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_refreshEvent.Attach(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_stopEvent || !m_refreshEvent) return false;
    unsigned id = 0;
    uintptr_t thread = ::_beginthreadex(nullptr, 0, &CWaitingWorker::ThreadMain, this, 0, &id);
    if (!thread) return false;
    m_thread.Attach(reinterpret_cast<HANDLE>(thread));
    m_threadId = id;
    return true;
}

bool CWaitingWorker::AddHandle(HANDLE handle, IWaitingWorkerClient* client, DWORD_PTR parameter) {
    if (!handle || !client || !m_thread.IsValid()) return false;
    {
        _BaseModule::CAutoLocker guard(m_lock);
        if (m_entries.size() >= kMaxClientHandles) return false;
        m_entries.push_back(Entry{handle, client, parameter});
    }
    ::SetEvent(m_refreshEvent.Get());
    return true;
}

bool CWaitingWorker::Stop(DWORD timeoutMs) {
    if (!m_thread.IsValid()) return true;
    ::SetEvent(m_stopEvent.Get());
    if (::GetCurrentThreadId() == m_threadId) return false;
    if (::WaitForSingleObject(m_thread.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    m_thread.Close();
    m_stopEvent.Close();
    m_refreshEvent.Close();
    return true;
}

unsigned __stdcall CWaitingWorker::ThreadMain(void* self) {
    static_cast<CWaitingWorker*>(self)->Run();
    return 0;
}

void CWaitingWorker::Run() {
    std::vector<Entry> entries;
    std::vector<HANDLE> handles;
    for (;;) {
        {
            _BaseModule::CAutoLocker guard(m_lock);
            entries = m_entries;
        }
        handles.clear();
        handles.push_back(m_stopEvent.Get());
        handles.push_back(m_refreshEvent.Get());
        for (const Entry& entry : entries) handles.push_back(entry.handle);

        DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) break;
        if (result == WAIT_OBJECT_0 + 1) continue;
        if (result > WAIT_OBJECT_0 + 1 && result < WAIT_OBJECT_0 + handles.size()) {
            const Entry& entry = entries[result - WAIT_OBJECT_0 - 2];
            entry.client->Execute(entry.parameter, entry.handle);
            continue;
        }
        // A failed wait (a handle closed under us) would fail again at once.
        break;
    }
    for (const Entry& entry : entries) entry.client->CloseHandle(entry.handle);
}
