#include "config/seven_zip_extract.h"

bool Load7zLibrary(const wchar_t*) { return false; }
bool Is7zLibraryLoaded() { return false; }
int Extract7zArchive(const wchar_t*, const wchar_t*) { return -1; }
