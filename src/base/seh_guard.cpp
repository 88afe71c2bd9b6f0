#include "base/seh_guard.h"

#include <windows.h>

namespace {

// One guarded call in progress on a thread: where to go back to.
struct GuardFrame {
    void* jump[5];  // __builtin_setjmp's buffer
    GuardFrame* outer;
};

thread_local GuardFrame* t_innermost = nullptr;

INIT_ONCE g_filterOnce = INIT_ONCE_STATIC_INIT;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

// Reached when no frame handler took the exception. Inside a guarded call
// the thread jumps back to it; anywhere else the earlier filter decides.
LONG WINAPI GuardFilter(EXCEPTION_POINTERS* pointers) {
    GuardFrame* frame = t_innermost;
    if (frame) {
        t_innermost = frame->outer;
        __builtin_longjmp(frame->jump, 1);
    }
    return g_previousFilter ? g_previousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

BOOL CALLBACK InstallFilter(PINIT_ONCE, PVOID, PVOID*) {
    g_previousFilter = ::SetUnhandledExceptionFilter(&GuardFilter);
    return TRUE;
}

// Kept out of line so that the jump buffer's frame is this function's alone.
__attribute__((noinline)) bool CallWithFrame(GuardFrame* frame, void (*fn)(void*), void* context) {
    if (__builtin_setjmp(frame->jump)) return false;
    t_innermost = frame;
    fn(context);
    t_innermost = frame->outer;
    return true;
}

}  // namespace

bool RunSehGuarded(void (*fn)(void* context), void* context) {
    if (!fn) return false;
    ::InitOnceExecuteOnce(&g_filterOnce, &InstallFilter, nullptr, nullptr);
    GuardFrame frame = {};
    frame.outer = t_innermost;
    return CallWithFrame(&frame, fn, context);
}
