// Removal of the temporary folders this subsystem makes.
#pragma once

#include <string>

// Deletes a folder tree: files first, then the folders, clearing the
// read-only attribute where set. A linked folder inside is removed as a link
// and never walked into. Whatever cannot be removed stays.
void RemoveFolderTree(const std::wstring& folder);
