#include "engine/uninstall_hooks.h"

const wchar_t kRunListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe\\run_list";
const wchar_t kFilePeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe\\file_pe";

bool RunCallProgramOnUninst(const CSetupConfig&, const wchar_t* installDir) { return installDir != nullptr; }
bool RunRundllUnRegister(const CSetupConfig&, const wchar_t* installDir) { return installDir != nullptr; }
void RunRunList(const wchar_t*) {}
void CallFilePeUninstallers(const wchar_t*) {}
void RunGuardUninstall(const std::wstring&) {}
