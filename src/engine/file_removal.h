// Deleting files and folders now, or at the next start of Windows when they
// are in use.
#pragma once

#include <string>
#include <vector>

typedef std::vector<std::wstring> LockedItemList;

// Deletes a folder tree, scheduling for the next start of Windows what it
// cannot delete; false only for an invalid folder.
bool DeleteTreeOrPending(const std::wstring& folder);
// Deletes the folders and files that the values of an HKEY_LOCAL_MACHINE key
// name relative to the folder; what cannot be deleted goes to the list.
void RemoveFilesByRegistryList(const std::wstring& folder, const wchar_t* subKey, LockedItemList& locked);
// Deletes, under the folder, every file with the extension.
bool SweepTmpFiles(const std::wstring& folder, const wchar_t* extension);
// Moves the locked items aside and schedules them for deletion; empties the
// list.
bool ScheduleLockedItems(LockedItemList& locked, const std::wstring& installDir);
