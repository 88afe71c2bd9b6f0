#include "engine/uninstall_task.h"

#include <shlwapi.h>

#include <cwctype>
#include <string>

#include "base/registry_key.h"
#include "base/smart_logger.h"
#include "base/ui_thread_window.h"
#include "config/seven_zip_extract.h"
#include "engine/code_signature.h"

CUninstallTask g_UninstallTask;

namespace {

const wchar_t kGameCenterKey[] = L"SOFTWARE\\OVNGameCenter";

// A string value of HKEY_LOCAL_MACHINE (32-bit view) read into 260
// characters; empty when missing.
std::wstring ReadMachineString(const wchar_t* subKey, const wchar_t* name) {
    std::wstring value;
    ReadRegistryString(HKEY_LOCAL_MACHINE, subKey, KEY_WOW64_32KEY, name, MAX_PATH, &value);
    return value;
}

std::wstring RunningProgramPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return path;
}

}  // namespace

int CUninstallTask::PreInitCheck() {
    std::wstring self = RunningProgramPath();
    if (!IsSignedByPublisher(self.c_str())) return kPreInitBadSignature;
    CreateUIThreadWindow();
    std::wstring sevenZip = self.substr(0, self.find_last_of(L'\\') + 1) + L"7z.dll";
    return Load7zLibrary(sevenZip.c_str()) ? kPreInitOk : kPreInit7zMissing;
}

bool CUninstallTask::InitConfig(HINSTANCE module, UINT resourceId, const wchar_t* resourceType,
                                const wchar_t* entryName) {
    return m_config.Init(module, resourceId, resourceType, entryName);
}

void CUninstallTask::StartUninstall(IUninstallCallback* callback) { m_uninstaller.Start(callback); }

void CUninstallTask::Log(const wchar_t* text) { WriteLog(L"%s", text ? text : L""); }

bool CUninstallTask::IsSiblingGameUnplayed() { return ReadMachineString(kGameCenterKey, L"Played").empty(); }

void CUninstallTask::SetUninstallSiblingGame(bool flag) {
    if (m_uninstaller.GetSiblingGameDetected()) m_uninstaller.SetUninstallSiblingGame(flag);
}

bool CUninstallTask::DetectSiblingGame() {
    std::wstring vendor = ReadMachineString(kGameCenterKey, L"VendorID");
    for (wchar_t& c : vendor) c = static_cast<wchar_t>(std::towlower(c));
    bool detected = vendor.find(L"vorud") != std::wstring::npos;
    m_uninstaller.SetSiblingGameDetected(detected);
    return detected;
}

void CUninstallTask::SetRemoveAppData(bool flag) { m_uninstaller.SetRemoveAppData(flag); }

void CUninstallTask::SetInstallDir(const wchar_t* path) { m_uninstaller.SetInstallDir(path); }

void CUninstallTask::GetInstallDir(wchar_t* buffer, int capacity) {
    const std::wstring& folder = m_uninstaller.GetInstallDir();
    if (folder.empty() || !buffer || capacity <= 0 || folder.size() >= static_cast<size_t>(capacity)) return;
    folder.copy(buffer, folder.size());
    buffer[folder.size()] = 0;
}

void CUninstallTask::DetachCallback() { m_uninstaller.DetachCallback(); }
