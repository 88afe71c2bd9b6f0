#include "base/window_impl.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

const wchar_t kClassName[] = L"VorudTestNamedWnd";

class NamedWindow : public CWindowImpl<NamedWindow> {
public:
    DECLARE_WND_CLASS_EX(kClassName, CS_DBLCLKS, COLOR_WINDOW + 1)

    BEGIN_MSG_MAP(NamedWindow)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_APP + 1, OnAnswer)
        MESSAGE_HANDLER(WM_APP + 2, OnPassOn)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
        createdWithHandle = m_hWnd;
        return 0;
    }
    LRESULT OnAnswer(UINT, WPARAM wParam, LPARAM, BOOL&) { return static_cast<LRESULT>(wParam) * 2; }
    LRESULT OnPassOn(UINT, WPARAM, LPARAM, BOOL& handled) {
        ++passOnCalls;
        handled = FALSE;  // default processing answers 0
        return 99;
    }
    void OnFinalMessage(HWND hwnd) override { finalMessageFor = hwnd; }

    HWND createdWithHandle = nullptr;
    HWND finalMessageFor = nullptr;
    int passOnCalls = 0;
};

class GeneratedWindow : public CWindowImpl<GeneratedWindow> {
public:
    BEGIN_MSG_MAP(GeneratedWindow)
    END_MSG_MAP()
};

TEST(WindowImplTest, AWindowIsBoundToItsObjectFromCreationToItsFinalMessage) {
    NamedWindow window;
    HWND hwnd = window.Create(nullptr, nullptr, nullptr, WS_POPUP, 0);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(hwnd, window.m_hWnd);
    EXPECT_EQ(hwnd, window.createdWithHandle) << "WM_CREATE already reaches the object";

    // Other programs find the window by its registered class name.
    EXPECT_EQ(hwnd, ::FindWindowExW(nullptr, nullptr, kClassName, nullptr));

    EXPECT_EQ(42, window.SendMessage(WM_APP + 1, 21));
    EXPECT_EQ(0, window.SendMessage(WM_APP + 2));
    EXPECT_EQ(1, window.passOnCalls);

    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_EQ(nullptr, window.m_hWnd);
    EXPECT_EQ(hwnd, window.finalMessageFor);
    EXPECT_EQ(nullptr, ::FindWindowExW(nullptr, nullptr, kClassName, nullptr));
}

TEST(WindowImplTest, ClassesWithoutANameGetAGeneratedOneRegisteredOnce) {
    GeneratedWindow first, second;
    ASSERT_NE(nullptr, first.Create(nullptr, nullptr, nullptr, WS_POPUP, 0));
    ASSERT_NE(nullptr, second.Create(nullptr, nullptr, nullptr, WS_POPUP, 0));
    wchar_t a[256] = {}, b[256] = {};
    ::GetClassNameW(first.m_hWnd, a, 256);
    ::GetClassNameW(second.m_hWnd, b, 256);
    EXPECT_NE(L'\0', a[0]);
    EXPECT_STREQ(a, b);
    EXPECT_EQ(nullptr, first.Create(nullptr, nullptr, nullptr, WS_POPUP, 0)) << "one window per object";
    first.DestroyWindow();
    second.DestroyWindow();
}

}  // namespace
