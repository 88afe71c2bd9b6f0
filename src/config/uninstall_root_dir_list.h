// The list of the product folder's top-level folders and files that belong
// to the product, read from "UninstallRootDirFileList.xml".
#pragma once

#include <windows.h>

#include <map>
#include <string>

// One entry as handed out by GetAt.
struct UninstallRootDirItem {
    wchar_t Name[MAX_PATH];  // as written in the file
    int IsDir;               // 1 for the Dir group, 0 for the File group
    int Optional;            // the "optional" attribute, default 0
};

class IUninstallRootDirList {
public:
    // Writes the resource's bytes to a temporary file, loads it and deletes
    // the file. False when the resource is missing or no free name is found.
    virtual bool LoadFromResource(HINSTANCE instance, const wchar_t* name, const wchar_t* type) = 0;
    // Loads the list file; false (and the entries unchanged) when it cannot be
    // loaded.
    virtual bool Load(const wchar_t* path) = 0;
    virtual int GetCount() const = 0;
    // The entry at a 0-based position in name order.
    virtual bool GetAt(int index, UninstallRootDirItem* item) const = 0;
    // Forgets a name; true whether or not it was listed.
    virtual bool Remove(const wchar_t* name) = 0;
    // Whether a name is listed, ignoring case.
    virtual bool Contains(const wchar_t* name) const = 0;
    virtual ~IUninstallRootDirList() = default;
};

class CUninstallRootDirList : public IUninstallRootDirList {
public:
    CUninstallRootDirList() = default;
    ~CUninstallRootDirList() override = default;

    bool LoadFromResource(HINSTANCE instance, const wchar_t* name, const wchar_t* type) override;
    bool Load(const wchar_t* path) override;
    int GetCount() const override { return static_cast<int>(m_items.size()); }
    bool GetAt(int index, UninstallRootDirItem* item) const override;
    bool Remove(const wchar_t* name) override;
    bool Contains(const wchar_t* name) const override;

    // The key a name is stored under: upper-cased by the runtime library.
    static std::wstring MakeKey(const wchar_t* name);

private:
    struct Entry {
        std::wstring name;
        int isDir;
        int optional;
    };
    std::map<std::wstring, Entry> m_items;
};
