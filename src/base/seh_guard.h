// Running a piece of system code so that a structured exception escaping it
// (an access violation inside a system library, say) becomes a failure
// result instead of the end of the process. GCC has no __try/__except.
#pragma once

// Runs fn(context). Returns true when it returned normally, false when a
// structured exception that nobody handled was raised inside it; the frames
// in between are then abandoned without clean-up, so fn must hold no
// resources of its own that need releasing (system handles it got back are
// its caller's to close). Guards nest per thread.
bool RunSehGuarded(void (*fn)(void* context), void* context);
