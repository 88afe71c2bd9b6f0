#include "engine/process_kill.h"

const wchar_t kProductQuitEventName[] = L"ecseqm_6328RV0M-9610-5IRA-CZ91-6M8Q8830007Q";

bool GetDebugPrivilege() { return false; }
DWORD GetProcessImagePath(DWORD, wchar_t*, DWORD) { return 0; }
bool IsProcessRunning(const wchar_t*, bool) { return false; }
void KillProcessByPath(const wchar_t*) {}
int KillMultiProcesses(const wchar_t*, int* count) {
    if (count) *count = 0;
    return 0;
}
void KillProcessesInInstallPath(ISetupConfig*, const std::wstring&) {}
bool ProcessHasModule(DWORD, const wchar_t*) { return false; }
void KillAssistDllUsers(const std::wstring&) {}
