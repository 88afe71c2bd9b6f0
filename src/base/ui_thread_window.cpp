#include "base/ui_thread_window.h"

#include <atomic>
#include <new>

namespace {

// Lives until the process ends.
std::atomic<CUIThreadWindow*> g_uiThreadWindow{nullptr};

}  // namespace

LRESULT CUIThreadWindow::OnInvoke(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if (!wParam) {
        handled = FALSE;
        return 0;
    }
    reinterpret_cast<ISimpleBind*>(wParam)->Invoke();
    return 1;
}

bool CreateUIThreadWindow() {
    CUIThreadWindow* window = g_uiThreadWindow.load(std::memory_order_acquire);
    if (window) return window->IsWindow() != FALSE;
    window = new (std::nothrow) CUIThreadWindow;
    if (!window) return false;
    if (!window->Create(nullptr, nullptr, nullptr, WS_POPUP, 0)) {
        delete window;
        return false;
    }
    g_uiThreadWindow.store(window, std::memory_order_release);
    return true;
}

void CallOnUIThread(ISimpleBind* bind) {
    CUIThreadWindow* window = g_uiThreadWindow.load(std::memory_order_acquire);
    if (!window || !bind) return;
    HWND hwnd = window->m_hWnd;
    if (!hwnd) return;
    ::SendMessageW(hwnd, WM_UITHREAD_INVOKE, reinterpret_cast<WPARAM>(bind), 0);
}

HWND GetUIThreadWindow() {
    CUIThreadWindow* window = g_uiThreadWindow.load(std::memory_order_acquire);
    return window ? window->m_hWnd : nullptr;
}
