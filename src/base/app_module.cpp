#include "base/app_module.h"

#include <algorithm>

CAppModule g_AppModule;

namespace {

template <class T>
bool AddUnique(std::vector<T*>& items, T* item) {
    if (!item || std::find(items.begin(), items.end(), item) != items.end()) return false;
    items.push_back(item);
    return true;
}

template <class T>
bool RemoveItem(std::vector<T*>& items, T* item) {
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end()) return false;
    items.erase(it);
    return true;
}

}  // namespace

CMessageLoop::CMessageLoop() : m_msg() {}

CMessageLoop::~CMessageLoop() {}

bool CMessageLoop::AddMessageFilter(ILoopMessageFilter* filter) { return AddUnique(m_filters, filter); }
bool CMessageLoop::RemoveMessageFilter(ILoopMessageFilter* filter) { return RemoveItem(m_filters, filter); }
bool CMessageLoop::AddIdleHandler(IIdleHandler* handler) { return AddUnique(m_idleHandlers, handler); }
bool CMessageLoop::RemoveIdleHandler(IIdleHandler* handler) { return RemoveItem(m_idleHandlers, handler); }

BOOL CMessageLoop::IsIdleMessage(const MSG* msg) {
    switch (msg->message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case 0x0118:  // the system timer (caret blink)
            return FALSE;
    }
    return TRUE;
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
    // Filters may remove themselves while running: walk a copy, last added first.
    std::vector<ILoopMessageFilter*> filters = m_filters;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(msg)) return TRUE;
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int) {
    std::vector<IIdleHandler*> handlers = m_idleHandlers;
    for (IIdleHandler* handler : handlers) handler->OnIdle();
    return FALSE;  // idle work is done until the next message
}

int CMessageLoop::Run() {
    BOOL doIdle = TRUE;
    int idleCount = 0;
    for (;;) {
        while (doIdle && !::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = FALSE;
        }
        BOOL got = ::GetMessageW(&m_msg, nullptr, 0, 0);
        if (got == 0) break;  // WM_QUIT
        if (got == -1) {
            // Only an invalid argument fails, and it would fail for ever.
            m_msg.wParam = 0;
            break;
        }
        if (!PreTranslateMessage(&m_msg)) {
            ::TranslateMessage(&m_msg);
            ::DispatchMessageW(&m_msg);
        }
        if (IsIdleMessage(&m_msg)) {
            doIdle = TRUE;
            idleCount = 0;
        }
    }
    return static_cast<int>(m_msg.wParam);
}

CAppModule::CAppModule() : m_instance(nullptr) {}

CAppModule::~CAppModule() {}

HRESULT CAppModule::Init(HINSTANCE instance) {
    m_instance = instance ? instance : ::GetModuleHandleW(nullptr);
    return S_OK;
}

void CAppModule::Term() {
    _BaseModule::CAutoLocker guard(m_lock);
    m_loops.clear();
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    if (!loop) return false;
    _BaseModule::CAutoLocker guard(m_lock);
    return m_loops.emplace(::GetCurrentThreadId(), loop).second;
}

bool CAppModule::RemoveMessageLoop() {
    _BaseModule::CAutoLocker guard(m_lock);
    return m_loops.erase(::GetCurrentThreadId()) > 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) {
    _BaseModule::CAutoLocker guard(m_lock);
    auto it = m_loops.find(threadId);
    return it == m_loops.end() ? nullptr : it->second;
}
