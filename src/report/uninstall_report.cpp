// Until the HTTP transport is in, the endpoint counts as unreachable.
#include "report/uninstall_report.h"

#include <windows.h>

namespace {

bool DefaultResult(const std::wstring& pid) {
    for (const wchar_t* known : {L"home", L"viruda", L"softmgr", L"tt"})
        if (::lstrcmpiW(pid.c_str(), known) == 0) return true;
    return false;
}

}  // namespace

bool ReportUninstallInfo(const wchar_t* type, const std::wstring& pid, const std::wstring& appVersion) {
    (void)type;
    (void)appVersion;
    return DefaultResult(pid);
}
