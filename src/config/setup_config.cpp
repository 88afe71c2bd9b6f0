#include "config/setup_config.h"

#include <cwctype>

#include "base/windows_bitness.h"
#include "config/remove_tree.h"
#include "config/resource_unpack.h"
#include "config/xml_archive.h"

namespace {

const size_t kMaxProjectPathLength = 512;
const size_t kWindowClassLimit = 196;

bool IsFile(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyText(const std::wstring& text, wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return false;
    buffer[0] = L'\0';
    if (text.size() >= static_cast<size_t>(capacity)) return false;
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return true;
}

template <class Record>
bool CopyRecord(const std::vector<Record>& records, int index, Record* out) {
    if (!out) return false;
    *out = Record();
    if (index < 0 || static_cast<size_t>(index) >= records.size()) return false;
    *out = records[index];
    return true;
}

// Reads a text attribute into a fixed field; false when it does not fit.
template <size_t N>
bool ReadField(const CXMLArchiveItem& item, const wchar_t* name, wchar_t (&field)[N]) {
    std::wstring text;
    item.GetAttributeString(name, &text);
    if (text.size() >= N) return false;
    text.copy(field, text.size());
    field[text.size()] = L'\0';
    return true;
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Calls read(item) for each element the path names, in document order,
// stopping at the first entry that is not a valid element.
template <class Read>
void ForEachElement(const CXMLArchive& archive, const wchar_t* path, Read read) {
    CXMLArchiveItemList list = archive.GetItemList(path);
    for (long i = 0; i < list.GetCount(); ++i) {
        CXMLArchiveItem item = list.GetItem(i);
        if (!item.IsValid()) break;
        read(item);
    }
}

}  // namespace

CSetupConfig::~CSetupConfig() { RemoveUnpackFolder(); }

void CSetupConfig::RemoveUnpackFolder() {
    RemoveFolderTree(m_unpackFolder);
    m_unpackFolder.clear();
}

bool CSetupConfig::Init(HINSTANCE instance, UINT resourceId, const wchar_t* resourceType,
                        const wchar_t* projectFileName) {
    CResourceUnpack unpack;
    if (!unpack.Init(instance, resourceId, resourceType)) return false;
    std::wstring folder;
    if (!unpack.Unpack(&folder)) return false;
    RemoveUnpackFolder();  // a second Init leaves no first folder behind
    m_unpackFolder = folder;
    std::wstring project = folder + L"\\" + (projectFileName ? projectFileName : L"");
    return LoadProject(project.c_str());
}

bool CSetupConfig::LoadProject(const wchar_t* path) {
    if (!path || !*path) return false;
    std::wstring projectPath(path);
    if (projectPath.size() >= kMaxProjectPathLength || !IsFile(projectPath)) return false;
    size_t slash = projectPath.find_last_of(L"\\/");
    std::wstring projectFolder = slash == std::wstring::npos ? std::wstring() : projectPath.substr(0, slash);

    CXMLArchive archive;
    archive.Open(projectPath.c_str());
    if (!archive.IsLoaded()) return false;

    CXMLArchiveItem main = archive.GetItem(L"Setup/Main");
    main.GetAttributeString(L"Version", &m_version);
    main.GetAttributeInt(L"MinimizeSpace", &m_minimizeSpace, 100);
    if (main.IsValid()) {
        std::wstring listFile;
        archive.GetItem(L"Setup/UninstallRootDirFileList").GetAttributeString(L"File", &listFile);
        m_rootDirListFile.clear();
        if (!listFile.empty())
            m_rootDirListFile = projectFolder.empty() ? listFile : projectFolder + L"\\" + listFile;
        archive.GetItem(L"Setup/FileList").GetAttributeInt(L"FileCount", &m_fileCount, 200);
    }

    if (!m_rootDirListFile.empty() && IsFile(m_rootDirListFile)) m_rootDirList.Load(m_rootDirListFile.c_str());

    CXMLArchiveItem regAppPath = archive.GetItem(L"Setup/RegAppPath");
    std::wstring rootName;
    regAppPath.GetAttributeString(L"HKEY", &rootName);
    m_regAppPathRoot = RootKeyFromName(Upper(rootName));
    regAppPath.GetAttributeString(L"SubKey", &m_regAppPathSubKey);
    regAppPath.GetAttributeString(L"Value", &m_regAppPathValue);

    archive.GetItem(L"Setup/Application").GetAttributeString(L"MainApp", &m_mainApp);

    ReadClosePrograms(archive);
    ReadRundllItems(archive);
    ReadUninstallPrograms(archive);
    return true;
}

void CSetupConfig::ReadClosePrograms(const CXMLArchive& archive) {
    m_closePrograms.clear();
    ForEachElement(archive, L"Setup/CloseAllPrograms/Program", [this](const CXMLArchiveItem& item) {
        std::wstring windowClass;
        item.GetAttributeString(L"WindowClass", &windowClass);
        if (windowClass.size() >= kWindowClassLimit) return;
        CloseProgramItem record = {};
        windowClass.copy(record.WindowClass, windowClass.size());
        std::wstring message;
        item.GetAttributeString(L"Message", &message, L"WM_CLOSE");
        record.Message = MessageFromName(message);
        item.GetAttributeInt(L"WPARAM", &record.WParam, 360);
        item.GetAttributeInt(L"LPARAM", &record.LParam, 360);
        item.GetAttributeInt(L"Timeout", &record.Timeout, 2000);
        m_closePrograms.push_back(record);
    });
}

void CSetupConfig::ReadRundllItems(const CXMLArchive& archive) {
    m_rundllItems.clear();
    const wchar_t* skippedSystem = Is64BitWindows() ? L"32" : L"64";
    ForEachElement(archive, L"Setup/RundllUnRegisterOnUnInst/Item", [&](const CXMLArchiveItem& item) {
        std::wstring system;
        item.GetAttributeString(L"System", &system);
        if ((system != L"32" && system != L"64") || system == skippedSystem) return;
        RundllItem record = {};
        if (!ReadField(item, L"FileName", record.FileName) || !ReadField(item, L"Entry", record.Entry) ||
            !ReadField(item, L"Cmdline", record.Cmdline))
            return;
        item.GetAttributeInt(L"WaitTime", &record.WaitTime, 0);
        m_rundllItems.push_back(record);
    });
}

void CSetupConfig::ReadUninstallPrograms(const CXMLArchive& archive) {
    m_uninstallPrograms.clear();
    ForEachElement(archive, L"Setup/CallProgramOnUninst/Program", [this](const CXMLArchiveItem& item) {
        ProgramItem record = {};
        if (!ReadField(item, L"FileName", record.FileName) || !ReadField(item, L"Type", record.Type) ||
            !ReadField(item, L"FuncName", record.FuncName) || !ReadField(item, L"Para", record.Para) ||
            !ReadField(item, L"Cmdline", record.Cmdline) || !ReadField(item, L"SignType", record.SignType))
            return;
        item.GetAttributeInt(L"WaitTime", &record.WaitTime, 0);
        item.GetAttributeInt(L"Sync", &record.Sync, 1);
        m_uninstallPrograms.push_back(record);
    });
}

int CSetupConfig::MessageFromName(const std::wstring& name) {
    if (name == L"WM_QUIT") return WM_QUIT;
    if (name == L"WM_COMMAND") return WM_COMMAND;
    return WM_CLOSE;  // "WM_CLOSE" and every other name
}

HKEY CSetupConfig::RootKeyFromName(const std::wstring& name) {
    if (name == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == L"HKEY_USERS") return HKEY_USERS;
    if (name == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (name == L"HKEY_CURRENT_CONFIG") return HKEY_CURRENT_CONFIG;
    return HKEY_LOCAL_MACHINE;  // "HKEY_LOCAL_MACHINE" and every other name
}

bool CSetupConfig::GetVersion(wchar_t* buffer, int capacity) const { return CopyText(m_version, buffer, capacity); }
bool CSetupConfig::GetMainApp(wchar_t* buffer, int capacity) const { return CopyText(m_mainApp, buffer, capacity); }
bool CSetupConfig::GetRegAppPathSubKey(wchar_t* buffer, int capacity) const {
    return CopyText(m_regAppPathSubKey, buffer, capacity);
}
bool CSetupConfig::GetRegAppPathValue(wchar_t* buffer, int capacity) const {
    return CopyText(m_regAppPathValue, buffer, capacity);
}
bool CSetupConfig::GetCloseProgram(int index, CloseProgramItem* item) const {
    return CopyRecord(m_closePrograms, index, item);
}
bool CSetupConfig::GetCheckFile(int index, wchar_t* buffer, int capacity) const {
    if (buffer && capacity > 0) buffer[0] = L'\0';
    if (index < 0 || static_cast<size_t>(index) >= m_checkFiles.size()) return false;
    return CopyText(m_checkFiles[index], buffer, capacity);
}
bool CSetupConfig::GetInstallProgram(int index, ProgramItem* item) const {
    return CopyRecord(m_installPrograms, index, item);
}
bool CSetupConfig::GetUninstallProgram(int index, ProgramItem* item) const {
    return CopyRecord(m_uninstallPrograms, index, item);
}
bool CSetupConfig::GetRundllItem(int index, RundllItem* item) const { return CopyRecord(m_rundllItems, index, item); }
