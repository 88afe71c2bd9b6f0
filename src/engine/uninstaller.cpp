#include "engine/uninstaller.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cwctype>

#include "base/registry_key.h"
#include "base/simple_bind.h"
#include "base/smart_logger.h"
#include "base/ui_thread_window.h"
#include "engine/file_removal.h"
#include "engine/process_kill.h"
#include "engine/product_version.h"
#include "engine/program_runner.h"
#include "engine/system_cleanup.h"
#include "engine/uninstall_hooks.h"
#include "report/uninstall_report.h"

namespace {

const wchar_t kFileListKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe\\file_list";
const wchar_t kProductSettingsKey[] = L"Software\\VelaWallPaper";

std::wstring JoinPath(const std::wstring& folder, const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    if (folder.size() >= MAX_PATH) return std::wstring();
    folder.copy(path, folder.size());
    if (!::PathAppendW(path, name)) return std::wstring();
    return path;
}

// The product's channel id, trimmed of white space; empty when missing.
std::wstring ReadProductPid() {
    std::wstring pid;
    if (!ReadRegistryString(HKEY_CURRENT_USER, kProductSettingsKey, 0, L"pid", MAX_PATH, &pid)) return std::wstring();
    while (!pid.empty() && std::iswspace(pid.back())) pid.pop_back();
    size_t first = 0;
    while (first < pid.size() && std::iswspace(pid[first])) ++first;
    return pid.substr(first);
}

}  // namespace

CUninstaller::CUninstaller(CSetupConfig& config) : m_config(config) {}

void CUninstaller::Start(IUninstallCallback* callback) {
    SetCallback(callback);
    m_worker.Start(0, this);
    WriteLog(L"start uninstall thread...");
}

void CUninstaller::DetachCallback() {
    _BaseModule::CAutoLocker lock(m_lock);
    m_callback = nullptr;
}

void CUninstaller::OnThreadRun(int) {
    m_productVersion = GetProductVersionText(JoinPath(m_installDir, L"rudare.exe"));
    m_productPid = ReadProductPid();
    RunSteps();
}

void CUninstaller::RunSteps() {
    NotifyStart();
    ReportProgress(1);

    WriteLog(L"start call program");
    RunCallProgramOnUninst(m_config, m_installDir.c_str());
    RunRundllUnRegister(m_config, m_installDir.c_str());
    m_pluginTask.StartTask(m_installDir);
    RunRunList(m_installDir.c_str());
    CallFilePeUninstallers(m_installDir.c_str());
    ReportProgress(4);

    WriteLog(L"start close all processes");
    KillProcessesInInstallPath(&m_config, m_installDir);
    ReportProgress(5);

    CallDllFunction((m_installDir + L"\\wallpaperhelper\\Vortana12.dll").c_str(), "Uninst", L"", true);
    WriteLog(L"remove desktop shortcuts");
    RemoveDesktopShortcuts();
    ReportProgress(6);

    WriteLog(L"remove start menu shortcuts");
    RemoveStartMenuFolder();
    RemoveLocalAppDataFolder(L"rudare\\cef_cache");
    WriteLog(L"remove cef cache");
    if (m_removeAppData) {
        WriteLog(L"remove appdata");
        RemoveLocalAppDataFolder(L"rudare");
    }
    ReportProgress(7);

    WriteLog(L"remove file by registry");
    RemoveFilesByRegistryList(m_installDir, kFileListKey, m_lockedItems);
    RemoveFilesByRegistryList(m_installDir, kFilePeKey, m_lockedItems);
    WriteLog(L"remove registry");
    RemoveProductKeys();
    ReportProgress(8);

    WriteLog(L"remove autorun");
    RemoveAutorun();
    ReportProgress(9);

    DeleteUninstallEntry();
    RunGuardUninstall();
    RemoveProductService();

    WriteLog(L"start delete all files in %s", m_installDir.c_str());
    DeleteInstallDir(m_installDir);
    WriteLog(L"end delete all files in %s", m_installDir.c_str());

    // There is no step for the "DivurazoradaRO" service: nothing shows it
    // is the product's, and the log names only what was done.
    RemoveQuorraLeftovers();
    ReportProgress(97);

    SweepTmpFiles(m_installDir, L".tmp");
    ReportProgress(98);

    WriteLog(L"start create runonce bat");
    ScheduleLockedItems(m_lockedItems, m_installDir);
    KillAssistDllUsers();
    ReportProgress(100);

    NotifyEnd();
    bool reported = ReportUninstallInfo(L"set", m_productPid, m_productVersion);
    WriteLog(L"re unistinfo ret=%lu", static_cast<unsigned long>(reported ? 1 : 0));

    _BaseModule::CAutoLocker lock(m_lock);
    if (m_callback) m_callback->OnRealInstallEnd();
}

void CUninstaller::RemoveLocalAppDataFolder(const wchar_t* relative) {
    wchar_t localAppData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                  localAppData)))
        return;
    std::wstring folder = JoinPath(localAppData, relative);
    if (!folder.empty() && ::PathFileExistsW(folder.c_str())) DeleteTreeOrPending(folder);
}

void CUninstaller::ReportProgress(int n) {
    wchar_t line[32];
    wsprintfW(line, L"nProgress=%d\n", n);
    ::OutputDebugStringW(line);
    mf_bind_t_1<CUninstaller, CUninstaller*, void, int> call(&CUninstaller::NotifyProgress, this,
                                                              n < 99 ? n : 99);
    CallOnUIThread(&call);
}

void CUninstaller::StepFileProgress() {
    ++m_fileCounter;
    if (m_fileCounter >= m_fileTotal) m_fileCounter = m_fileTotal;
    if (m_fileTotal <= 0) return;
    float share = static_cast<float>(m_fileCounter) / static_cast<float>(m_fileTotal) * 88.0f + 10.0f;
    ReportProgress(static_cast<int>(share));
}

void CUninstaller::DeleteInstallDir(const std::wstring&) {}

void CUninstaller::KillAssistDllUsers() { ::KillAssistDllUsers(m_installDir); }

void CUninstaller::RunGuardUninstall() { ::RunGuardUninstall(m_installDir); }

void CUninstaller::NotifyStart() {
    mf_bind_t<CUninstaller, CUninstaller*, void> call(&CUninstaller::CallStart, this);
    CallOnUIThread(&call);
}

void CUninstaller::NotifyProgress(int percent) {
    if (m_callback) m_callback->OnUninstallProgress(percent);
}

void CUninstaller::NotifyEnd() {
    mf_bind_t<CUninstaller, CUninstaller*, void> call(&CUninstaller::CallEnd, this);
    CallOnUIThread(&call);
}

void CUninstaller::CallStart() {
    if (m_callback) m_callback->OnUninstallStart();
}

void CUninstaller::CallEnd() {
    if (m_callback) m_callback->OnUninstallEnd();
}
