#include "base/silent_flag.h"

#include <atomic>

namespace {
std::atomic<bool> g_silent{false};
}

void SetSilentFlag(bool silent) { g_silent.store(silent); }

bool GetSilentFlag() { return g_silent.load(); }
