#include "config/remove_tree.h"

#include <windows.h>

void RemoveFolderTree(const std::wstring& folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                ::SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW(path.c_str());
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                ::RemoveDirectoryW(path.c_str());
            else
                RemoveFolderTree(path);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(folder.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    ::RemoveDirectoryW(folder.c_str());
}
