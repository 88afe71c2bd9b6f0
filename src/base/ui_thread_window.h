// A hidden window on the UI thread through which other threads run a bound
// call on the UI thread and wait for it.
#pragma once

#include <windows.h>

#include "base/simple_bind.h"
#include "base/window_impl.h"

// wParam: the ISimpleBind to invoke.
const UINT WM_UITHREAD_INVOKE = 3002;

class CUIThreadWindow : public CWindowImpl<CUIThreadWindow> {
public:
    BEGIN_MSG_MAP(CUIThreadWindow)
        MESSAGE_HANDLER(WM_UITHREAD_INVOKE, OnInvoke)
    END_MSG_MAP()

    LRESULT OnInvoke(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
};

// Creates the one UI-thread window of the process (WS_POPUP, never shown)
// when it does not exist yet. Call on the UI thread. True when the window
// exists afterwards.
bool CreateUIThreadWindow();

// Runs bind->Invoke() on the UI thread and returns when it has run. Does
// nothing before CreateUIThreadWindow. The caller keeps the bind. Never call
// it from a thread the UI thread is waiting for.
void CallOnUIThread(ISimpleBind* bind);

// The window's handle, or null before it is created.
HWND GetUIThreadWindow();
