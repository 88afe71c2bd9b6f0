// The plug-in uninstaller launcher: started with the parameters that the
// product's config.set names.
#pragma once

#include <windows.h>

#include <string>

class CPluginTask {
public:
    CPluginTask() = default;
    virtual ~CPluginTask() = default;

    // Not used by the engine.
    virtual void Run() {}

    // Runs the launcher (no signature check, 3 s wait) when the install
    // folder's config.set names uninstall parameters.
    void StartTask(const std::wstring& installDir);

    const std::wstring& GetLauncherPath() const { return m_launcherPath; }
    const std::wstring& GetParameters() const { return m_parameters; }

    CPluginTask(const CPluginTask&) = delete;
    CPluginTask& operator=(const CPluginTask&) = delete;

private:
    BOOL m_reserved = FALSE;
    HANDLE m_sharedHandle = nullptr;
    std::wstring m_launcherPath;
    std::wstring m_parameters;
    std::wstring m_folder;
};
