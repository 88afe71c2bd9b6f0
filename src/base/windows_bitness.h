// Whether Windows itself is 64-bit, also when this process is 32-bit.
#pragma once

// Computed once per process, then answered from a cache.
bool Is64BitWindows();
