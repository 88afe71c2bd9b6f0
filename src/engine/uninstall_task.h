// The engine as start-up and the wizard see it: one process-wide object.
#pragma once

#include <windows.h>

#include "config/setup_config.h"
#include "engine/uninstall_callback.h"
#include "engine/uninstaller.h"

// Codes of PreInitCheck.
const int kPreInitOk = 0;
const int kPreInitBadSignature = 2;
const int kPreInit7zMissing = 3;

class IUninstallTask {
public:
    // 0, or 2 when the running program fails the publisher signature check,
    // or 3 when 7z.dll next to it cannot be loaded. Creates the UI-thread
    // window on the way. Call on the UI thread.
    virtual int PreInitCheck() = 0;
    // Unpacks and reads the embedded setup project.
    virtual bool InitConfig(HINSTANCE module, UINT resourceId, const wchar_t* resourceType,
                            const wchar_t* entryName) = 0;
    // Starts the run on the worker; while a run is going on only the callback
    // is replaced.
    virtual void StartUninstall(IUninstallCallback* callback) = 0;
    // One log line, taken literally.
    virtual void Log(const wchar_t* text) = 0;
    virtual bool IsSiblingGameUnplayed() = 0;
    virtual void SetUninstallSiblingGame(bool flag) = 0;
    virtual bool DetectSiblingGame() = 0;
    virtual void SetRemoveAppData(bool flag) = 0;
    virtual void SetInstallDir(const wchar_t* path) = 0;
    // Copies the folder when it is not empty and shorter than the capacity;
    // otherwise the buffer is left alone.
    virtual void GetInstallDir(wchar_t* buffer, int capacity) = 0;
    // After it returns no callback operation is made any more.
    virtual void DetachCallback() = 0;
    virtual bool QueryStyleFlag() = 0;
    virtual void NoOperation() = 0;

protected:
    ~IUninstallTask() = default;
};

class CUninstallTask : public IUninstallTask {
public:
    CUninstallTask() = default;
    virtual ~CUninstallTask() = default;

    int PreInitCheck() override;
    bool InitConfig(HINSTANCE module, UINT resourceId, const wchar_t* resourceType,
                    const wchar_t* entryName) override;
    void StartUninstall(IUninstallCallback* callback) override;
    void Log(const wchar_t* text) override;
    bool IsSiblingGameUnplayed() override;
    void SetUninstallSiblingGame(bool flag) override;
    bool DetectSiblingGame() override;
    void SetRemoveAppData(bool flag) override;
    void SetInstallDir(const wchar_t* path) override;
    void GetInstallDir(wchar_t* buffer, int capacity) override;
    void DetachCallback() override;
    bool QueryStyleFlag() override { return true; }
    void NoOperation() override {}

    CSetupConfig& Config() { return m_config; }
    CUninstaller& Uninstaller() { return m_uninstaller; }

    CUninstallTask(const CUninstallTask&) = delete;
    CUninstallTask& operator=(const CUninstallTask&) = delete;

private:
    CSetupConfig m_config;
    CUninstaller m_uninstaller{m_config};
};

// The one engine of the process.
extern CUninstallTask g_UninstallTask;
