#include "base/window_impl.h"

#include <cwchar>

namespace {

// The object whose window is being created on this thread: the window
// procedure binds it to the new HWND at the first message.
thread_local CWindowImplRoot* t_creating = nullptr;

const wchar_t kObjectProperty[] = L"VorudWindowObject";

}  // namespace

ATOM CWndClassInfo::Register(WNDPROC proc) {
    if (atom) return atom;
    LPCWSTR className = name;
    if (!className) {
        swprintf(generatedName, sizeof(generatedName) / sizeof(generatedName[0]), L"VorudWnd:%p", static_cast<void*>(this));
        className = generatedName;
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background)) : nullptr;
    wc.lpszClassName = className;
    atom = ::RegisterClassExW(&wc);
    if (!atom) {
        // Registered before by this module (another info naming the same
        // class): use the existing registration.
        WNDCLASSEXW existing = {};
        existing.cbSize = sizeof(existing);
        atom = static_cast<ATOM>(::GetClassInfoExW(wc.hInstance, className, &existing));
    }
    return atom;
}

CWindowImplRoot::CWindowImplRoot() : m_hWnd(nullptr), m_currentMessage(nullptr) {}

CWindowImplRoot::~CWindowImplRoot() {
    // A window that outlives its object must not call into freed memory.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::RemovePropW(m_hWnd, kObjectProperty);
}

WNDPROC CWindowImplRoot::GetWindowProc() { return &CWindowImplRoot::WindowProc; }

void CWindowImplRoot::OnFinalMessage(HWND) {}

BOOL CWindowImplRoot::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

HWND CWindowImplRoot::CreateWithClass(CWndClassInfo& info, HWND parent, const RECT* rect, LPCWSTR windowName,
                                      DWORD style, DWORD exStyle, HMENU menuOrId) {
    if (m_hWnd) return nullptr;
    ATOM atom = info.Register(GetWindowProc());
    if (!atom) return nullptr;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    if (rect) {
        x = rect->left;
        y = rect->top;
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    }
    CWindowImplRoot* previous = t_creating;
    t_creating = this;
    HWND hwnd = ::CreateWindowExW(exStyle, MAKEINTATOM(atom), windowName ? windowName : L"", style, x, y, width,
                                  height, parent, menuOrId, ::GetModuleHandleW(nullptr), nullptr);
    t_creating = previous;
    if (!hwnd) m_hWnd = nullptr;
    return hwnd;
}

LRESULT CALLBACK CWindowImplRoot::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowImplRoot* self = static_cast<CWindowImplRoot*>(::GetPropW(hWnd, kObjectProperty));
    if (!self && t_creating && !t_creating->m_hWnd) {
        self = t_creating;
        self->m_hWnd = hWnd;
        ::SetPropW(hWnd, kObjectProperty, self);
    }
    if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);

    MSG msg = {hWnd, uMsg, wParam, lParam, 0, {0, 0}};
    const MSG* outer = self->m_currentMessage;
    self->m_currentMessage = &msg;
    LRESULT result = 0;
    BOOL handled = self->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0);
    self->m_currentMessage = outer;

    if (uMsg == WM_NCDESTROY) {
        if (!handled) result = ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
        ::RemovePropW(hWnd, kObjectProperty);
        self->m_hWnd = nullptr;
        // The object may delete itself here.
        self->OnFinalMessage(hWnd);
        return result;
    }
    if (!handled) result = ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    return result;
}
