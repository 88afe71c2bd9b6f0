// The product's setup project as the uninstaller reads it: unpacked from the
// embedded archive, parsed into fixed records and strings, with the list of
// the product folder's top-level items.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "config/uninstall_root_dir_list.h"

// A window to close: Setup/CloseAllPrograms/Program.
struct CloseProgramItem {
    wchar_t WindowClass[200];
    int Message;  // window message number
    int WParam;
    int LParam;
    int Timeout;
};

// A program or DLL entry to call: Setup/CallProgramOnUninst/Program.
struct ProgramItem {
    wchar_t FileName[MAX_PATH];
    wchar_t Type[MAX_PATH];
    wchar_t FuncName[MAX_PATH];
    wchar_t Para[MAX_PATH];
    wchar_t Cmdline[MAX_PATH];
    wchar_t SignType[MAX_PATH];
    int WaitTime;
    int Sync;
};

// An unregistration through the rundll launcher:
// Setup/RundllUnRegisterOnUnInst/Item.
struct RundllItem {
    wchar_t FileName[MAX_PATH];
    wchar_t Entry[MAX_PATH];
    wchar_t Cmdline[MAX_PATH];
    int WaitTime;
};

// String accessors set buffer[0] to 0, return false when the text does not
// fit (its length is at least the capacity) and otherwise copy it with its
// terminator. Record accessors clear the output, return false for an index
// outside the list and otherwise copy the record.
class ISetupConfig {
public:
    virtual bool Init(HINSTANCE instance, UINT resourceId, const wchar_t* resourceType,
                      const wchar_t* projectFileName) = 0;
    virtual int GetMinimizeSpace() const = 0;
    virtual IUninstallRootDirList* GetRootDirList() = 0;
    virtual bool GetVersion(wchar_t* buffer, int capacity) const = 0;
    virtual bool GetMainApp(wchar_t* buffer, int capacity) const = 0;
    virtual HKEY GetRegAppPathRoot() const = 0;
    virtual bool GetRegAppPathSubKey(wchar_t* buffer, int capacity) const = 0;
    virtual bool GetRegAppPathValue(wchar_t* buffer, int capacity) const = 0;
    virtual int GetCloseProgramCount() const = 0;
    virtual bool GetCloseProgram(int index, CloseProgramItem* item) const = 0;
    virtual bool GetCheckFile(int index, wchar_t* buffer, int capacity) const = 0;
    virtual int GetCheckFileCount() const = 0;
    virtual bool GetInstallProgram(int index, ProgramItem* item) const = 0;
    virtual int GetInstallProgramCount() const = 0;
    virtual bool GetUninstallProgram(int index, ProgramItem* item) const = 0;
    virtual int GetUninstallProgramCount() const = 0;
    virtual int GetFileCount() const = 0;
    // Deletes the unpack folder with its content.
    virtual ~ISetupConfig() = default;
    // Destroys an instance made with new.
    virtual void Release() = 0;
};

class CSetupConfig : public ISetupConfig {
public:
    CSetupConfig() = default;
    ~CSetupConfig() override;
    CSetupConfig(const CSetupConfig&) = delete;
    CSetupConfig& operator=(const CSetupConfig&) = delete;

    // Unpacks the resource into a new temporary folder and reads the project
    // file found there.
    bool Init(HINSTANCE instance, UINT resourceId, const wchar_t* resourceType,
              const wchar_t* projectFileName) override;
    // Reads a project file; false when it is missing, its path is too long,
    // or it does not parse.
    bool LoadProject(const wchar_t* path);

    int GetMinimizeSpace() const override { return m_minimizeSpace; }
    IUninstallRootDirList* GetRootDirList() override { return &m_rootDirList; }
    bool GetVersion(wchar_t* buffer, int capacity) const override;
    bool GetMainApp(wchar_t* buffer, int capacity) const override;
    HKEY GetRegAppPathRoot() const override { return m_regAppPathRoot; }
    bool GetRegAppPathSubKey(wchar_t* buffer, int capacity) const override;
    bool GetRegAppPathValue(wchar_t* buffer, int capacity) const override;
    int GetCloseProgramCount() const override { return static_cast<int>(m_closePrograms.size()); }
    bool GetCloseProgram(int index, CloseProgramItem* item) const override;
    bool GetCheckFile(int index, wchar_t* buffer, int capacity) const override;
    int GetCheckFileCount() const override { return static_cast<int>(m_checkFiles.size()); }
    bool GetInstallProgram(int index, ProgramItem* item) const override;
    int GetInstallProgramCount() const override { return static_cast<int>(m_installPrograms.size()); }
    bool GetUninstallProgram(int index, ProgramItem* item) const override;
    int GetUninstallProgramCount() const override { return static_cast<int>(m_uninstallPrograms.size()); }
    int GetFileCount() const override { return m_fileCount; }
    void Release() override { delete this; }

    // The unregistration items, for the engine that runs them.
    int GetRundllItemCount() const { return static_cast<int>(m_rundllItems.size()); }
    bool GetRundllItem(int index, RundllItem* item) const;

    // The root-directory list file the project names (empty when none) and
    // the folder Init unpacked into (empty before).
    const std::wstring& GetRootDirListFile() const { return m_rootDirListFile; }
    const std::wstring& GetUnpackFolder() const { return m_unpackFolder; }

    // The window message a CloseAllPrograms name stands for.
    static int MessageFromName(const std::wstring& name);
    // The registry root an RegAppPath HKEY name stands for.
    static HKEY RootKeyFromName(const std::wstring& name);

private:
    void ReadClosePrograms(const class CXMLArchive& archive);
    void ReadRundllItems(const class CXMLArchive& archive);
    void ReadUninstallPrograms(const class CXMLArchive& archive);
    void RemoveUnpackFolder();

    std::vector<CloseProgramItem> m_closePrograms;
    std::vector<std::wstring> m_checkFiles;
    std::vector<ProgramItem> m_installPrograms;
    std::vector<ProgramItem> m_uninstallPrograms;
    std::vector<RundllItem> m_rundllItems;
    int m_minimizeSpace = 100;
    HKEY m_regAppPathRoot = HKEY_LOCAL_MACHINE;
    std::wstring m_regAppPathSubKey;
    std::wstring m_regAppPathValue;
    std::wstring m_version;
    std::wstring m_mainApp;
    std::wstring m_rootDirListFile;
    std::wstring m_unpackFolder;
    int m_fileCount = 200;
    CUninstallRootDirList m_rootDirList;
};
