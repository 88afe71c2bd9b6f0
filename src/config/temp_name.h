// Fresh names in the user's temporary folder.
#pragma once

#include <windows.h>

#include <string>

// The user's temporary folder joined with a new GUID name and ".tmp", e.g.
// "C:\Users\me\AppData\Local\Temp\{0A1B2C3D-4E5F-6a7b-8C9D-0E1F2A3B4C5D}.tmp".
// Up to 10 attempts, each with a new GUID, to find a name that does not exist
// yet; false (and an empty path) after the tenth existing name.
bool MakeTempName(std::wstring* path);

// The GUID text of a temporary name, "{%08X-%04X-%04x-%02X%02X-%02X...}":
// the third group in lower case, every other group in upper case.
std::wstring FormatTempGuid(const GUID& guid);

// Where new GUIDs come from: CoCreateGuid unless a test puts its own source
// in place (null restores CoCreateGuid). Returns the previous source.
typedef HRESULT(WINAPI* GuidSource)(GUID* guid);
GuidSource SetTempGuidSource(GuidSource source);
