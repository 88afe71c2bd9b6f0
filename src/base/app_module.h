// The application module and the message loop with idle processing.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "base/locker.h"

class ILoopMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;

protected:
    ~ILoopMessageFilter() = default;
};

class IIdleHandler {
public:
    virtual BOOL OnIdle() = 0;

protected:
    ~IIdleHandler() = default;
};

class CMessageLoop {
public:
    CMessageLoop();
    virtual ~CMessageLoop();

    bool AddMessageFilter(ILoopMessageFilter* filter);
    bool RemoveMessageFilter(ILoopMessageFilter* filter);
    bool AddIdleHandler(IIdleHandler* handler);
    bool RemoveIdleHandler(IIdleHandler* handler);

    // Pumps messages until WM_QUIT and returns its wParam. Idle handlers run
    // while the queue is empty; any message but mouse moves, paints and the
    // system timer re-arms them.
    int Run();

    static BOOL IsIdleMessage(const MSG* msg);

protected:
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnIdle(int idleCount);

    std::vector<ILoopMessageFilter*> m_filters;
    std::vector<IIdleHandler*> m_idleHandlers;
    MSG m_msg;
};

class CAppModule {
public:
    CAppModule();
    ~CAppModule();

    HRESULT Init(HINSTANCE instance);
    void Term();
    HINSTANCE GetModuleInstance() const { return m_instance; }

    // One message loop per thread.
    bool AddMessageLoop(CMessageLoop* loop);
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

private:
    HINSTANCE m_instance;
    _BaseModule::CCriticalSection m_lock;
    std::map<DWORD, CMessageLoop*> m_loops;
};

// The process's application module.
extern CAppModule g_AppModule;
