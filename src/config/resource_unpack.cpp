#include "config/resource_unpack.h"

#include "base/handle.h"
#include "config/remove_tree.h"
#include "config/seven_zip_extract.h"
#include "config/temp_name.h"

namespace {

const DWORD kWriteChunk = 4096;

// Writes the bytes in chunks; stops at the first failed write.
void WriteChunks(HANDLE file, const BYTE* data, DWORD size) {
    DWORD offset = 0;
    while (offset < size) {
        DWORD chunk = size - offset < kWriteChunk ? size - offset : kWriteChunk;
        DWORD written = 0;
        if (!::WriteFile(file, data + offset, chunk, &written, nullptr) || written != chunk) return;
        offset += chunk;
    }
}

}  // namespace

bool CResourceUnpack::Init(HINSTANCE instance, UINT identifier, const wchar_t* type) {
    m_data = nullptr;
    m_size = 0;
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(identifier), type);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(instance, resource);
    if (!loaded) return false;
    const BYTE* data = static_cast<const BYTE*>(::LockResource(loaded));
    if (!data) return false;
    m_data = data;
    m_size = ::SizeofResource(instance, resource);
    return true;
}

bool CResourceUnpack::Unpack(std::wstring* folder) {
    if (!folder) return false;

    std::wstring archive;
    if (!MakeTempName(&archive)) return false;
    ::DeleteFileW(archive.c_str());
    {
        CHandle file(::CreateFileW(archive.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        if (m_data) WriteChunks(file.Get(), m_data, m_size);
    }

    // Nothing of a failed unpacking stays in the temporary folder.
    std::wstring target;
    if (!MakeTempName(&target) || !::CreateDirectoryW(target.c_str(), nullptr)) {
        ::DeleteFileW(archive.c_str());
        return false;
    }
    if (Extract7zArchive(archive.c_str(), target.c_str()) != 0) {
        ::DeleteFileW(archive.c_str());
        RemoveFolderTree(target);
        return false;
    }
    ::DeleteFileW(archive.c_str());
    *folder = target;
    return true;
}
