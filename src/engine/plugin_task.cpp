#include "engine/plugin_task.h"

#include <shlwapi.h>

#include "base/registry_key.h"
#include "base/smart_logger.h"
#include "engine/program_runner.h"

namespace {

const wchar_t kPluginSettingsFile[] = L"config.set";
const wchar_t kPluginSection[] = L"plugin_xd";
const wchar_t kUninstallParametersKey[] = L"uninstall_cmd_param";
const wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VEVIrizizudoDizude.exe";
const wchar_t kLauncherValue[] = L"Launcher";
const DWORD kLauncherWaitMilliseconds = 3000;

// The "uninstall_cmd_param" setting of the folder's config.set; empty when
// the folder cannot hold the file.
std::wstring ReadUninstallParameters(const std::wstring& folder) {
    if (folder.empty() || folder.size() >= MAX_PATH) return std::wstring();
    wchar_t settings[MAX_PATH] = {};
    folder.copy(settings, folder.size());
    if (!::PathAppendW(settings, kPluginSettingsFile)) return std::wstring();
    wchar_t parameters[MAX_PATH] = {};
    ::GetPrivateProfileStringW(kPluginSection, kUninstallParametersKey, L"", parameters, MAX_PATH, settings);
    return parameters;
}

// The launcher the plug-in host registered (32-bit view); false when it
// cannot be read.
bool ReadLauncherPath(std::wstring* launcher) {
    return ReadRegistryString(HKEY_LOCAL_MACHINE, kLauncherKey, KEY_WOW64_32KEY, kLauncherValue, MAX_PATH, launcher);
}

}  // namespace

void CPluginTask::StartTask(const std::wstring& installDir) {
    m_folder = installDir;
    m_parameters = ReadUninstallParameters(m_folder);

    bool result = false;
    DWORD exitCode = static_cast<DWORD>(-1);
    if (!m_parameters.empty()) {
        std::wstring launcher;
        if (ReadLauncherPath(&launcher)) m_launcherPath = launcher;
        if (!m_launcherPath.empty())
            result = RunProgram(m_launcherPath.c_str(), m_parameters.c_str(), SW_SHOWNORMAL, false, true, &exitCode,
                                kLauncherWaitMilliseconds);
    }
    WriteLog(L"CPluginTask::StartTask result=%d code=%d", result ? 1 : 0, static_cast<int>(exitCode));
}
