#include "engine/uninstall_hooks.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "base/handle.h"
#include "base/registry_key.h"
#include "base/smart_logger.h"
#include "base/text_convert.h"
#include "base/windows_bitness.h"
#include "config/product_identity.h"
#include "config/setup_config.h"
#include "engine/code_signature.h"
#include "engine/process_kill.h"
#include "engine/program_runner.h"

const wchar_t kRunListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe\\run_list";
const wchar_t kFilePeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rudare.exe\\file_pe";

namespace {

// An exe item's wait is capped at this (0 also means this).
const DWORD kMaxProgramWait = 50000;
const DWORD kRunListProgramWait = 60000;
const DWORD kFilePeProgramWait = 50000;
const DWORD kGuardWait = 5000;
// Data of a file_pe value is read into this many bytes.
const DWORD kFilePeTextBytes = 4096;

const wchar_t kRegtestSwitch[] = L"/Regtest";
const wchar_t kFilePeSuffix[] = L" /uninstall /product=vorud";

bool Exists(const std::wstring& path) {
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder (its first 260 characters) joined with the relative name in a
// 260-character buffer; empty when the result does not fit, and for an empty
// folder (nothing is looked for relative to the current folder).
std::wstring JoinPath(const wchar_t* folder, const wchar_t* name) {
    if (!folder || !*folder) return std::wstring();
    wchar_t path[MAX_PATH] = {};
    ::lstrcpynW(path, folder, MAX_PATH);
    if (!::PathAppendW(path, name)) return std::wstring();
    return path;
}

// Calls visit(name) for each value name of the HKLM key (32-bit view), by
// index while the enumeration succeeds.
template <typename Visit>
void ForEachValue(const wchar_t* subKey, Visit visit) {
    CRegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, subKey, KEY_ALL_ACCESS | KEY_WOW64_32KEY)) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH] = {};
        DWORD nameLength = MAX_PATH;
        if (::RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        visit(key, name);
    }
}

}  // namespace

bool RunCallProgramOnUninst(const CSetupConfig& config, const wchar_t* installDir) {
    if (!installDir) return false;
    const int count = config.GetUninstallProgramCount();
    for (int i = 0; i < count; ++i) {
        ProgramItem item;
        if (!config.GetUninstallProgram(i, &item)) continue;
        std::wstring path = JoinPath(installDir, item.FileName);
        if (!Exists(path)) {
            WriteLog(L"file[%s] is not exist", path.c_str());
            continue;
        }
        bool signedOk = item.SignType[0] ? IsSignedBy(path.c_str(), item.SignType) : IsSignedByPublisher(path.c_str());
        if (!signedOk) {
            WriteLog(L"check sign fail, signType[%s], filepath[%s]", item.SignType, path.c_str());
            continue;
        }
        if (::lstrcmpiW(item.Type, L"exe") == 0) {
            DWORD wait = static_cast<DWORD>(item.WaitTime);
            if (wait == 0 || wait > kMaxProgramWait) wait = kMaxProgramWait;
            CallExeProgram(path.c_str(), item.Cmdline, false, item.Sync != 0, wait);
        } else if (::lstrcmpiW(item.Type, L"dll") == 0) {
            std::string exportName = WideToMultiByte(item.FuncName, CP_THREAD_ACP);
            CallDllFunction(path.c_str(), exportName.c_str(), item.Para, false);
        }
    }
    return true;
}

bool RunRundllUnRegister(const CSetupConfig& config, const wchar_t* installDir) {
    if (!installDir) return false;
    std::wstring launcher = JoinPath(installDir, Is64BitWindows() ? L"Utils\\rundll64.exe" : L"Utils\\rundll.exe");
    if (launcher.empty() || !IsSignedByPublisher(launcher.c_str())) return false;
    const int count = config.GetRundllItemCount();
    for (int i = 0; i < count; ++i) {
        RundllItem item;
        if (!config.GetRundllItem(i, &item)) continue;
        std::wstring dll = JoinPath(installDir, item.FileName);
        if (!Exists(dll)) {
            WriteLog(L"file[%s] is not exist", dll.c_str());
            continue;
        }
        std::wstring commandLine =
            L"--dll=\"" + dll + L"\" --entry=" + item.Entry + L" " + item.Cmdline;
        CallExeProgram(launcher.c_str(), commandLine.c_str(), false, true, static_cast<DWORD>(item.WaitTime));
    }
    return true;
}

void RunRunList(const wchar_t* installDir) {
    if (!installDir || !Exists(installDir)) return;
    ForEachValue(kRunListKey, [installDir](const CRegKey& key, const wchar_t* name) {
        std::wstring path = JoinPath(installDir, name);
        if (!Exists(path)) return;

        std::wstring text;
        key.ReadString(name, MAX_PATH * sizeof(wchar_t), &text);
        bool signatureRequired = true;
        if (text.find(kRegtestSwitch) != std::wstring::npos) {
            WriteLog(L"Regtest, no need to check sign.");
            signatureRequired = false;
        }

        const wchar_t* extension = ::PathFindExtensionW(path.c_str());
        WriteLog(L"file extension:%s", extension);
        if (::lstrcmpiW(extension, L".DLL") == 0 || ::lstrcmpiW(extension, L".TPI") == 0) {
            std::wstring result = CallDllInterfaceEx(path.c_str(), "Uninst", text.c_str(), signatureRequired);
            WriteLog(L"CallDllInterfaceEx return value=%s", result.c_str());
        } else if (::lstrcmpiW(extension, L".EXE") == 0) {
            std::wstring commandLine =
                text + L" --PRODUCT=" + GetProductName(0) + L" --PID=" + GetProductPid(0);
            KillProcessByPath(path.c_str());
            WriteLog(L"call exe begin, path=[%s] ,cmd=[%s]", path.c_str(), commandLine.c_str());
            bool result = RunProgram(path.c_str(), commandLine.c_str(), SW_SHOWNORMAL, signatureRequired, true,
                                     nullptr, kRunListProgramWait);
            WriteLog(L"call exe return [%d], path=[%s], cmd=[%s], sync[%d]", result ? 1 : 0, path.c_str(),
                     commandLine.c_str(), 1);
        }
    });
}

void CallFilePeUninstallers(const wchar_t* installDir) {
    if (!installDir || !Exists(installDir)) return;
    ForEachValue(kFilePeKey, [installDir](const CRegKey& key, const wchar_t* name) {
        std::wstring path = JoinPath(installDir, name);
        if (!Exists(path)) return;
        std::wstring text;
        if (!key.ReadString(name, kFilePeTextBytes, &text)) return;

        const wchar_t* extension = ::PathFindExtensionW(path.c_str());
        if (::lstrcmpiW(extension, L".dll") == 0) {
            // The publisher's signature first ("file[%s] check sign fail."
            // when it is missing), then the "Uninst" export.
            CallDllFunction(path.c_str(), "Uninst", text.c_str(), true);
        } else if (::lstrcmpiW(extension, L".exe") == 0) {
            CallExeProgram(path.c_str(), (text + kFilePeSuffix).c_str(), true, true, kFilePeProgramWait);
        }
    });
}

void RunGuardUninstall(const std::wstring& installDir) {
    std::wstring tool = JoinPath(installDir.c_str(), L"Utils\\ridivod.exe");
    if (tool.empty() || !IsSignedByPublisher(tool.c_str())) return;

    std::wstring commandLine =
        L"\"" + tool + L"\" /UnInstallDesk /LockHomePagePath=\"" + tool + L"\" /Pid=tiko";
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    ::GetStartupInfoW(&startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    if (::WaitForSingleObject(process.Get(), kGuardWait) == WAIT_TIMEOUT)
        WriteLog(L"\u7b49\u5f85\u8fdb\u7a0b\u9000\u51fa\u8d85\u65f6");
}
