// The engine proper: the fixed sequence of uninstall steps on one worker
// thread, with progress reported to the wizard's callback.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/locker.h"
#include "base/xthread.h"
#include "config/setup_config.h"
#include "engine/plugin_task.h"
#include "engine/uninstall_callback.h"

class CUninstaller : public IThreadCallback {
public:
    explicit CUninstaller(CSetupConfig& config);
    virtual ~CUninstaller() = default;

    // Stores the callback and arranges a run on the worker.
    void Start(IUninstallCallback* callback);
    // Stores the callback only (UI thread).
    void SetCallback(IUninstallCallback* callback) { m_callback = callback; }
    void DetachCallback();

    void SetInstallDir(const wchar_t* path) { m_installDir = path ? path : L""; }
    const std::wstring& GetInstallDir() const { return m_installDir; }
    void SetRemoveAppData(bool flag) { m_removeAppData = flag; }
    bool GetRemoveAppData() const { return m_removeAppData; }
    void SetUninstallSiblingGame(bool flag) { m_uninstallSiblingGame = flag; }
    bool GetUninstallSiblingGame() const { return m_uninstallSiblingGame; }
    void SetSiblingGameDetected(bool flag) { m_siblingGameDetected = flag; }
    bool GetSiblingGameDetected() const { return m_siblingGameDetected; }
    bool IsRunning() const { return m_worker.IsRunning(); }

    // The worker's run: product version and pid, then every step.
    void OnThreadRun(int parameter) override;

    // "nProgress=%d" to the debugger, then min(n, 99) to the callback.
    void ReportProgress(int n);
    // One more file deleted: reports counter / total * 88 + 10.
    void StepFileProgress();
    // The denominator of StepFileProgress, set before the folder is deleted.
    void SetFileTotal(int total) { m_fileTotal = total; }
    int GetFileTotal() const { return m_fileTotal; }
    int GetFileCounter() const { return m_fileCounter; }

    // Deletes the product entries of the install folder with per-file
    // progress.
    void DeleteInstallDir(const std::wstring& folder);
    // Terminates every process that has the product's Utils\Assist.dll loaded.
    void KillAssistDllUsers();
    // Runs the desktop guard's uninstall command (Utils\ridivod.exe).
    void RunGuardUninstall();

    const std::wstring& GetProductVersion() const { return m_productVersion; }
    const std::wstring& GetProductPid() const { return m_productPid; }
    std::vector<std::wstring>& LockedItems() { return m_lockedItems; }

    CUninstaller(const CUninstaller&) = delete;
    CUninstaller& operator=(const CUninstaller&) = delete;

private:
    void RunSteps();
    void RemoveLocalAppDataFolder(const wchar_t* relative);

    // The worker's reports, each run on the UI thread.
    void NotifyStart();
    void NotifyEnd();
    // The bound calls those hand to the UI thread.
    void CallStart();
    void NotifyProgress(int percent);
    void CallEnd();

    CSetupConfig& m_config;
    int m_fileCounter = 0;
    std::wstring m_installDir;
    std::vector<std::wstring> m_lockedItems;
    IUninstallCallback* m_callback = nullptr;
    CXThread m_worker;
    bool m_uninstallSiblingGame = false;
    bool m_siblingGameDetected = false;
    bool m_removeAppData = false;
    _BaseModule::CCriticalSection m_lock;
    int m_fileTotal = 0;
    std::wstring m_productVersion;
    std::wstring m_productPid;
    CPluginTask m_pluginTask;
};
