// The embedded 7z archive: copied to a temporary file and extracted by
// 7z.dll into a fresh temporary folder.
#pragma once

#include <windows.h>

#include <string>

class CResourceUnpack {
public:
    CResourceUnpack() = default;
    virtual ~CResourceUnpack() = default;

    // Finds the resource (its bytes stay owned by the module); false when it
    // is absent.
    bool Init(HINSTANCE instance, UINT identifier, const wchar_t* type);

    // Writes the bytes to a temporary archive file and extracts it into a new
    // temporary folder. On success *folder is that folder (no trailing
    // backslash), the archive file is gone and the result is true.
    bool Unpack(std::wstring* folder);

    const BYTE* Data() const { return m_data; }
    DWORD Size() const { return m_size; }

private:
    const BYTE* m_data = nullptr;
    DWORD m_size = 0;
};
