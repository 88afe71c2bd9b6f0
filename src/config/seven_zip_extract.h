// The 7-Zip client: the process-wide 7z.dll and extraction of a 7z archive
// file into a folder through it.
#pragma once

#include <string>

// Loads 7z.dll from the given path once per process and keeps it; true at
// once when it is already loaded.
bool Load7zLibrary(const wchar_t* path);

// True once Load7zLibrary has succeeded.
bool Is7zLibraryLoaded();

// Extracts every item of the archive under the folder (created when missing).
// 0 on success, -1 on failure.
int Extract7zArchive(const wchar_t* archivePath, const wchar_t* folder);
