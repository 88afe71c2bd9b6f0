// The enciphered uninstall report posted at the end of an uninstall.
#pragma once

#include <string>

// Posts the report; the answer the endpoint gave, or, when it cannot be
// reached, true for the pids "home", "viruda", "softmgr" and "tt" (any letter
// case) and false for every other.
bool ReportUninstallInfo(const wchar_t* type, const std::wstring& pid, const std::wstring& appVersion);
