// The running Windows' NT version, from ntdll's RtlGetNtVersionNumbers (which
// is not subject to the compatibility shims of GetVersionEx). Each answer is
// computed once per process; both are false when the function is missing.
#pragma once

// Major version 6 or later.
bool IsNT6OrLater();
// Major version 10 or later, or exactly 6.4.
bool IsWindows10OrLater();
