// A small window-implementation base: a C++ object bound to one HWND, with a
// message map and a per-class window procedure.
#pragma once

#include <windows.h>

// The window class a window type registers. Types name theirs with
// DECLARE_WND_CLASS_EX; otherwise a name is generated.
struct CWndClassInfo {
    LPCWSTR name;       // null: generate one
    UINT style;
    int background;     // COLOR_xxx + 1, or 0 for none
    ATOM atom;
    wchar_t generatedName[40];

    ATOM Register(WNDPROC proc);
};

#define DECLARE_WND_CLASS_EX(className, classStyle, backgroundColor)              \
    static CWndClassInfo& GetWndClassInfo() {                                      \
        static CWndClassInfo info = {className, classStyle, backgroundColor, 0, {}}; \
        return info;                                                               \
    }

// Message map macros: the handler receives (message, wParam, lParam, handled)
// with handled set to TRUE; clearing it lets the message go on.
#define BEGIN_MSG_MAP(theClass)                                                         \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,       \
                              LRESULT& lResult, DWORD dwMsgMapID = 0) override {        \
        (void)hWnd;                                                                     \
        (void)dwMsgMapID;                                                               \
        BOOL bHandled = TRUE;                                                           \
        (void)bHandled;

#define MESSAGE_HANDLER(msg, func)                          \
    if (uMsg == (msg)) {                                    \
        bHandled = TRUE;                                    \
        lResult = func(uMsg, wParam, lParam, bHandled);     \
        if (bHandled) return TRUE;                          \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)      \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {          \
        bHandled = TRUE;                                    \
        lResult = func(uMsg, wParam, lParam, bHandled);     \
        if (bHandled) return TRUE;                          \
    }

#define CHAIN_MSG_MAP(theBase)                                                   \
    if (theBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) \
        return TRUE;

#define END_MSG_MAP() \
    return FALSE;     \
    }

class CWindowImplRoot {
public:
    CWindowImplRoot();

    // Virtual operations in this order: the message handler, the destructor,
    // the window-procedure getter, the final-message hook.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                      DWORD dwMsgMapID = 0) = 0;
    virtual ~CWindowImplRoot();
    virtual WNDPROC GetWindowProc();
    virtual void OnFinalMessage(HWND hWnd);

    HWND m_hWnd;

    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    BOOL DestroyWindow();
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    // The message being processed, or null outside the window procedure.
    const MSG* GetCurrentMessage() const { return m_currentMessage; }

    CWindowImplRoot(const CWindowImplRoot&) = delete;
    CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    }
    LRESULT DefWindowProc() {
        const MSG* msg = m_currentMessage;
        return msg ? DefWindowProc(msg->message, msg->wParam, msg->lParam) : 0;
    }

    HWND CreateWithClass(CWndClassInfo& info, HWND parent, const RECT* rect, LPCWSTR windowName, DWORD style,
                         DWORD exStyle, HMENU menuOrId);

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    const MSG* m_currentMessage;
};

// Base of a concrete window class T.
template <class T>
class CWindowImpl : public CWindowImplRoot {
public:
    DECLARE_WND_CLASS_EX(nullptr, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW + 1)

    // Registers T's window class when needed and creates the window. A null
    // rectangle means the default position and size.
    HWND Create(HWND parent, const RECT* rect = nullptr, LPCWSTR windowName = nullptr, DWORD style = 0,
                DWORD exStyle = 0, HMENU menuOrId = nullptr) {
        return CreateWithClass(T::GetWndClassInfo(), parent, rect, windowName, style, exStyle, menuOrId);
    }
};
