#include "config/uninstall_root_dir_list.h"

#include <cwctype>

#include "base/handle.h"
#include "config/temp_name.h"
#include "config/xml_archive.h"

namespace {

// Names that do not fit the entry record are not product items: no file or
// folder name on Windows is that long.
bool FitsRecord(const std::wstring& name) { return name.size() < MAX_PATH; }

bool WriteWholeFile(const std::wstring& path, const void* data, DWORD size) {
    CHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                               nullptr));
    if (!file) return false;
    DWORD written = 0;
    return size == 0 || (::WriteFile(file.Get(), data, size, &written, nullptr) && written == size);
}

}  // namespace

std::wstring CUninstallRootDirList::MakeKey(const wchar_t* name) {
    std::wstring key(name ? name : L"");
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towupper(c));
    return key;
}

bool CUninstallRootDirList::LoadFromResource(HINSTANCE instance, const wchar_t* name, const wchar_t* type) {
    HRSRC resource = ::FindResourceW(instance, name, type);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(instance, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    DWORD size = ::SizeofResource(instance, resource);
    if (!data) return false;

    std::wstring path;
    if (!MakeTempName(&path)) return false;
    bool result = WriteWholeFile(path, data, size) && Load(path.c_str());
    ::DeleteFileW(path.c_str());
    return result;
}

bool CUninstallRootDirList::Load(const wchar_t* path) {
    if (!path) return false;
    CXMLArchive archive;
    archive.Open(path);
    if (!archive.IsLoaded()) return false;

    m_items.clear();
    struct Group {
        const wchar_t* path;
        int isDir;
    };
    const Group groups[] = {{L"RootDirFiles/Dir", 1}, {L"RootDirFiles/File", 0}};
    for (const Group& group : groups) {
        CXMLArchiveItemList groupList = archive.GetItemList(group.path);
        if (groupList.GetCount() <= 0) continue;
        CXMLArchiveItemList items = groupList.GetChildList(0, L"Item");
        for (long i = 0; i < items.GetCount(); ++i) {
            CXMLArchiveItem item = items.GetItem(i);
            if (!item.IsValid()) break;
            Entry entry = {std::wstring(), group.isDir, 0};
            item.GetAttributeString(L"Name", &entry.name);
            item.GetAttributeInt(L"optional", &entry.optional, 0);
            if (!FitsRecord(entry.name)) continue;
            m_items[MakeKey(entry.name.c_str())] = entry;
        }
    }
    return true;
}

bool CUninstallRootDirList::GetAt(int index, UninstallRootDirItem* item) const {
    if (!item || index < 0 || index >= GetCount()) return false;
    auto it = m_items.begin();
    std::advance(it, index);
    *item = UninstallRootDirItem();
    it->second.name.copy(item->Name, MAX_PATH - 1);
    item->IsDir = it->second.isDir;
    item->Optional = it->second.optional;
    return true;
}

bool CUninstallRootDirList::Remove(const wchar_t* name) {
    m_items.erase(MakeKey(name));
    return true;
}

bool CUninstallRootDirList::Contains(const wchar_t* name) const {
    return m_items.count(MakeKey(name)) != 0;
}
