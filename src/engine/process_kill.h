// Stopping the product's processes: the quit request, the wait for the main
// programs and termination of what stays.
#pragma once

#include <windows.h>

#include <string>

class ISetupConfig;

// Name of the event the running product waits on to quit.
extern const wchar_t kProductQuitEventName[];

// Enables SeDebugPrivilege for this process; the AdjustTokenPrivileges result.
bool GetDebugPrivilege();
// The process's image path (long form) into the buffer of at least 100
// characters; the length GetModuleFileNameExW gave, or 0.
DWORD GetProcessImagePath(DWORD processId, wchar_t* buffer, DWORD capacity);
// Whether a process runs whose image is the path (compareFullPath) or has the
// path's file name.
bool IsProcessRunning(const wchar_t* path, bool compareFullPath);
// Terminates every process whose image is that file.
void KillProcessByPath(const wchar_t* path);
// Terminates every process whose image lies inside the folder, except this
// process, its parent and the folder's a.exe. Always 0; the number of
// terminated processes goes to count when given.
int KillMultiProcesses(const wchar_t* folder, int* count);
// Asks the product to quit, waits up to 10 s for rudare.exe and
// web_helper.exe, then terminates everything in the folder and re-applies the
// desktop wallpaper. The configuration is not used.
void KillProcessesInInstallPath(ISetupConfig* config, const std::wstring& installDir);
// Whether the process has the module (full path, any letter case) loaded.
bool ProcessHasModule(DWORD processId, const wchar_t* modulePath);
// Terminates (exit code -1) every process that has the install folder's
// Utils\Assist.dll loaded.
void KillAssistDllUsers(const std::wstring& installDir);
