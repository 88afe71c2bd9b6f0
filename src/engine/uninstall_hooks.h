// The product's own uninstall hooks: the setup project's programs, the
// rundll unregistrations, and the registry lists "run_list" and "file_pe".
#pragma once

#include <string>

class CSetupConfig;

// App Paths keys the hooks read (HKEY_LOCAL_MACHINE, 32-bit view).
extern const wchar_t kRunListKey[];
extern const wchar_t kFilePeKey[];

// The CallProgramOnUninst items, each after its signature check.
bool RunCallProgramOnUninst(const CSetupConfig& config, const wchar_t* installDir);
// The RundllUnRegisterOnUnInst items through the signed rundll launcher.
bool RunRundllUnRegister(const CSetupConfig& config, const wchar_t* installDir);
// The "run_list" values: DLL and TPI exports, programs with the product's
// name and pid.
void RunRunList(const wchar_t* installDir);
// The "file_pe" values: signed DLLs' "Uninst" and programs with
// " /uninstall /product=vorud".
void CallFilePeUninstallers(const wchar_t* installDir);
// Utils\ridivod.exe /UnInstallDesk, hidden, waited for up to 5 s.
void RunGuardUninstall(const std::wstring& installDir);
