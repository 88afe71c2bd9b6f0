#include "config/seven_zip_extract.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/com_ptr.h"
#include "base/handle.h"
#include "base/singleton.h"
#include "config/seven_zip_interfaces.h"

using namespace seven_zip;

namespace {

// ------------------------------------------------------------- the library

// 7z.dll stays loaded for the rest of the process once it is: handlers it
// created may still be in use on other threads at exit, so it is never freed.
_BaseModule::CStaticCriticalSection g_libraryLock;
HMODULE g_library = nullptr;

HMODULE LoadedLibrary() {
    g_libraryLock.Enter();
    HMODULE module = g_library;
    g_libraryLock.Leave();
    return module;
}

// ------------------------------------------------------------ COM helpers

// A PROPVARIANT cleared when it goes.
class CPropVariant {
public:
    CPropVariant() { ::PropVariantInit(&m_value); }
    ~CPropVariant() { ::PropVariantClear(&m_value); }
    CPropVariant(const CPropVariant&) = delete;
    CPropVariant& operator=(const CPropVariant&) = delete;

    PROPVARIANT* Receive() {
        ::PropVariantClear(&m_value);
        return &m_value;
    }
    const PROPVARIANT& Value() const { return m_value; }

private:
    PROPVARIANT m_value;
};

// The reference count shared by the objects below; each one starts with the
// reference its creator holds and deletes itself on the last Release.
class CRefCount {
public:
    ULONG AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_count)); }
    // True when that was the last reference.
    bool Release(ULONG* remaining) {
        LONG count = ::InterlockedDecrement(&m_count);
        *remaining = static_cast<ULONG>(count);
        return count == 0;
    }

private:
    volatile LONG m_count = 1;
};

#define VORUD_IMPLEMENT_REFCOUNT()                                          \
    ULONG STDMETHODCALLTYPE AddRef() override { return m_refs.AddRef(); } \
    ULONG STDMETHODCALLTYPE Release() override {                            \
        ULONG remaining = 0;                                                \
        if (m_refs.Release(&remaining)) delete this;                        \
        return remaining;                                                   \
    }

HRESULT AnswerInterface(IUnknown* object, void** out) {
    object->AddRef();
    *out = object;
    return S_OK;
}

HRESULT LastErrorResult() {
    DWORD error = ::GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// ------------------------------------------------------------------ paths

// Creates every missing folder of an absolute path ("C:\a\b", "\\server\share\a").
bool CreateFolderChain(const std::wstring& path) {
    if (path.empty()) return false;
    size_t start = 0;
    if (path.compare(0, 2, L"\\\\") == 0) {
        // Skip "\\server\share".
        start = path.find(L'\\', 2);
        if (start != std::wstring::npos) start = path.find(L'\\', start + 1);
        if (start == std::wstring::npos) return true;
    } else if (path.size() >= 2 && path[1] == L':') {
        start = 2;
    }
    for (size_t position = path.find(L'\\', start + 1);; position = path.find(L'\\', position + 1)) {
        std::wstring prefix = path.substr(0, position);
        if (!prefix.empty() && prefix.back() != L':' &&
            !::CreateDirectoryW(prefix.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (position == std::wstring::npos) break;
    }
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDotsAndSpaces(const std::wstring& component) {
    return component.find_first_not_of(L". ") == std::wstring::npos;
}

// Splits an item path into its components, dropping empty and "." ones.
// False for a path that could land outside the target folder: rooted
// ("\x", "\\server\x"), drive-qualified or stream-qualified (any ':'), or
// with a ".." component (or any other one made of dots and spaces only, which
// Windows may trim to ".."). Also false when nothing is left.
bool SplitItemPath(const std::wstring& path, std::vector<std::wstring>* components) {
    components->clear();
    if (path.empty() || path[0] == L'\\' || path[0] == L'/') return false;
    if (path.find(L':') != std::wstring::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring component = path.substr(start, end - start);
        if (!component.empty() && component != L".") {
            if (IsDotsAndSpaces(component)) return false;
            components->push_back(component);
        }
        start = end + 1;
    }
    return !components->empty();
}

std::wstring JoinComponents(const std::vector<std::wstring>& components, size_t count) {
    std::wstring joined;
    for (size_t i = 0; i < count; ++i) {
        if (i) joined += L'\\';
        joined += components[i];
    }
    return joined;
}

// Removes the file at path when there is one; a read-only file loses its
// read-only attribute first. False when a file stays behind.
bool RemoveExistingFile(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (::DeleteFileW(path.c_str())) return true;
    if (::GetLastError() != ERROR_ACCESS_DENIED || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    if (!::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
    if (::DeleteFileW(path.c_str())) return true;
    ::SetFileAttributesW(path.c_str(), attributes);
    return false;
}

// --------------------------------------------------------------- streams

// The archive file, read through IInStream.
class CInFileStream final : public IInStream, public IStreamGetSize {
public:
    explicit CInFileStream(CHandle file) : m_file(std::move(file)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_ISequentialInStream) ||
            IsEqualGUID(iid, IID_IInStream))
            return AnswerInterface(static_cast<IInStream*>(this), out);
        if (IsEqualGUID(iid, IID_IStreamGetSize)) return AnswerInterface(static_cast<IStreamGetSize*>(this), out);
        return E_NOINTERFACE;
    }
    VORUD_IMPLEMENT_REFCOUNT()

    HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) override {
        if (processedSize) *processedSize = 0;
        DWORD read = 0;
        if (!::ReadFile(m_file.Get(), data, size, &read, nullptr)) return LastErrorResult();
        if (processedSize) *processedSize = read;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) override {
        if (seekOrigin > FILE_END) return STG_E_INVALIDFUNCTION;
        LARGE_INTEGER distance;
        distance.QuadPart = offset;
        LARGE_INTEGER position;
        position.QuadPart = 0;
        if (!::SetFilePointerEx(m_file.Get(), distance, &position, seekOrigin)) return LastErrorResult();
        if (newPosition) *newPosition = static_cast<UINT64>(position.QuadPart);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetSize(UINT64* size) override {
        if (!size) return E_POINTER;
        LARGE_INTEGER fileSize;
        if (!::GetFileSizeEx(m_file.Get(), &fileSize)) return LastErrorResult();
        *size = static_cast<UINT64>(fileSize.QuadPart);
        return S_OK;
    }

private:
    ~CInFileStream() = default;

    CRefCount m_refs;
    CHandle m_file;
};

// One extracted file. The extract callback closes it when the item is done,
// whoever still holds a reference.
class COutFileStream final : public ISequentialOutStream {
public:
    explicit COutFileStream(CHandle file) : m_file(std::move(file)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_ISequentialOutStream))
            return AnswerInterface(this, out);
        return E_NOINTERFACE;
    }
    VORUD_IMPLEMENT_REFCOUNT()

    HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) override {
        if (processedSize) *processedSize = 0;
        if (!m_file) return E_FAIL;
        DWORD written = 0;
        if (!::WriteFile(m_file.Get(), data, size, &written, nullptr)) return LastErrorResult();
        if (processedSize) *processedSize = written;
        return S_OK;
    }

    HANDLE File() const { return m_file.Get(); }
    void Close() { m_file.Close(); }

private:
    ~COutFileStream() = default;

    CRefCount m_refs;
    CHandle m_file;
};

// ------------------------------------------------------------- callbacks

// No password is known: an encrypted archive cannot be opened or extracted.
HRESULT NoPassword(BSTR* password) {
    if (password) *password = nullptr;
    return E_ABORT;
}

class COpenCallback final : public IArchiveOpenCallback, public ICryptoGetTextPassword {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IArchiveOpenCallback))
            return AnswerInterface(static_cast<IArchiveOpenCallback*>(this), out);
        if (IsEqualGUID(iid, IID_ICryptoGetTextPassword))
            return AnswerInterface(static_cast<ICryptoGetTextPassword*>(this), out);
        return E_NOINTERFACE;
    }
    VORUD_IMPLEMENT_REFCOUNT()

    HRESULT STDMETHODCALLTYPE SetTotal(const UINT64*, const UINT64*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64*, const UINT64*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) override { return NoPassword(password); }

private:
    ~COpenCallback() = default;

    CRefCount m_refs;
};

// Writes the items under the target folder ("...\", with the backslash).
class CExtractCallback final : public IArchiveExtractCallback, public ICryptoGetTextPassword {
public:
    CExtractCallback(IInArchive* archive, std::wstring target) : m_archive(archive), m_target(std::move(target)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IProgress) ||
            IsEqualGUID(iid, IID_IArchiveExtractCallback))
            return AnswerInterface(static_cast<IArchiveExtractCallback*>(this), out);
        if (IsEqualGUID(iid, IID_ICryptoGetTextPassword))
            return AnswerInterface(static_cast<ICryptoGetTextPassword*>(this), out);
        return E_NOINTERFACE;
    }
    VORUD_IMPLEMENT_REFCOUNT()

    HRESULT STDMETHODCALLTYPE SetTotal(UINT64) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) override { return NoPassword(password); }

    HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) override {
        if (!outStream) return E_POINTER;
        *outStream = nullptr;
        ResetItem();
        if (askExtractMode != kAskModeExtract) return S_OK;

        HRESULT result = ReadItem(index);
        if (FAILED(result)) return result;

        std::vector<std::wstring> components;
        if (!SplitItemPath(m_itemPath, &components)) {
            // Refused: written nowhere, and the rest of the archive goes on.
            ++m_failedItems;
            return S_OK;
        }
        m_accepted = true;
        m_fullPath = m_target + JoinComponents(components, components.size());

        if (m_isDir) return CreateFolderChain(m_fullPath) ? S_OK : E_ABORT;

        if (components.size() > 1 &&
            !CreateFolderChain(m_target + JoinComponents(components, components.size() - 1)))
            return E_ABORT;
        if (!RemoveExistingFile(m_fullPath)) return E_ABORT;
        CHandle file(::CreateFileW(m_fullPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return E_ABORT;
        COutFileStream* stream = new (std::nothrow) COutFileStream(std::move(file));
        if (!stream) return E_OUTOFMEMORY;
        m_file.Attach(stream);
        stream->AddRef();
        *outStream = stream;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) override {
        if (askExtractMode == kAskModeExtract && m_accepted) {
            std::fwprintf(stdout, L"Extracting file: %ls\n", m_itemPath.c_str());
            std::fflush(stdout);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 opRes) override {
        if (opRes != kOperationOk) ++m_failedItems;
        if (m_file) {
            if (m_hasMTime) ::SetFileTime(m_file->File(), nullptr, nullptr, &m_mtime);
            m_file->Close();
            m_file.Release();
        }
        if (m_accepted && m_hasAttributes) {
            // Archives made on Unix carry the mode in the high 16 bits and
            // 0x8000 as its marker; only the Windows bits below are ours.
            DWORD attributes = m_attributes & 0x7FFF & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
            if (attributes) ::SetFileAttributesW(m_fullPath.c_str(), attributes);
        }
        ResetItem();
        return S_OK;
    }

private:
    ~CExtractCallback() = default;

    void ResetItem() {
        if (m_file) {
            m_file->Close();
            m_file.Release();
        }
        m_itemPath.clear();
        m_fullPath.clear();
        m_accepted = false;
        m_isDir = false;
        m_hasAttributes = false;
        m_attributes = 0;
        m_hasMTime = false;
        m_mtime = FILETIME();
    }

    // Reads the item's path, attributes, directory flag and modification
    // time; an unexpected value type fails the item.
    HRESULT ReadItem(UINT32 index) {
        CPropVariant value;
        HRESULT result = m_archive->GetProperty(index, kpidPath, value.Receive());
        if (FAILED(result)) return result;
        if (value.Value().vt == VT_BSTR) {
            if (value.Value().bstrVal) m_itemPath.assign(value.Value().bstrVal, ::SysStringLen(value.Value().bstrVal));
        } else if (value.Value().vt != VT_EMPTY) {
            return E_FAIL;
        }
        if (m_itemPath.empty()) m_itemPath = L"[Content]";

        result = m_archive->GetProperty(index, kpidAttrib, value.Receive());
        if (FAILED(result)) return result;
        if (value.Value().vt == VT_UI4) {
            m_hasAttributes = true;
            m_attributes = value.Value().ulVal;
        } else if (value.Value().vt != VT_EMPTY) {
            return E_FAIL;
        }

        result = m_archive->GetProperty(index, kpidIsDir, value.Receive());
        if (FAILED(result)) return result;
        if (value.Value().vt == VT_BOOL)
            m_isDir = value.Value().boolVal != VARIANT_FALSE;
        else if (value.Value().vt != VT_EMPTY)
            return E_FAIL;

        result = m_archive->GetProperty(index, kpidMTime, value.Receive());
        if (FAILED(result)) return result;
        if (value.Value().vt == VT_FILETIME) {
            m_hasMTime = true;
            m_mtime = value.Value().filetime;
        } else if (value.Value().vt != VT_EMPTY) {
            return E_FAIL;
        }
        return S_OK;
    }

    CRefCount m_refs;
    CComPtr<IInArchive> m_archive;
    std::wstring m_target;
    // Items refused or not extracted cleanly; the library's result decides
    // the outcome, this only keeps count.
    UINT32 m_failedItems = 0;

    // The current item.
    std::wstring m_itemPath;
    std::wstring m_fullPath;
    bool m_accepted = false;
    bool m_isDir = false;
    bool m_hasAttributes = false;
    DWORD m_attributes = 0;
    bool m_hasMTime = false;
    FILETIME m_mtime = FILETIME();
    CComPtr<COutFileStream> m_file;
};

}  // namespace

bool Load7zLibrary(const wchar_t* path) {
    if (!path || !*path) return false;
    g_libraryLock.Enter();
    if (!g_library) g_library = ::LoadLibraryW(path);
    bool loaded = g_library != nullptr;
    g_libraryLock.Leave();
    return loaded;
}

bool Is7zLibraryLoaded() { return LoadedLibrary() != nullptr; }

int Extract7zArchive(const wchar_t* archivePath, const wchar_t* folder) {
    if (!archivePath || !*archivePath || !folder || !*folder) return -1;
    std::wstring target(folder);
    while (target.size() > 1 && (target.back() == L'\\' || target.back() == L'/')) target.pop_back();
    for (wchar_t& c : target)
        if (c == L'/') c = L'\\';
    if (!CreateFolderChain(target)) return -1;

    HMODULE library = LoadedLibrary();
    if (!library) return -1;
    CreateObjectFunc createObject =
        reinterpret_cast<CreateObjectFunc>(reinterpret_cast<void*>(::GetProcAddress(library, "CreateObject")));
    if (!createObject) return -1;

    CComPtr<IInArchive> archive;
    if (createObject(&CLSID_Format7z, &IID_IInArchive, reinterpret_cast<void**>(archive.Receive())) != S_OK ||
        !archive)
        return -1;

    CHandle file(::CreateFileW(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return -1;
    CInFileStream* inStream = new (std::nothrow) CInFileStream(std::move(file));
    if (!inStream) return -1;
    CComPtr<IInStream> stream;
    stream.Attach(inStream);

    COpenCallback* openCallbackObject = new (std::nothrow) COpenCallback;
    if (!openCallbackObject) return -1;
    CComPtr<IArchiveOpenCallback> openCallback;
    openCallback.Attach(openCallbackObject);
    if (archive->Open(stream.Get(), nullptr, openCallback.Get()) != S_OK) return -1;

    CExtractCallback* extractCallbackObject = new (std::nothrow) CExtractCallback(archive.Get(), target + L"\\");
    HRESULT result = E_OUTOFMEMORY;
    if (extractCallbackObject) {
        CComPtr<IArchiveExtractCallback> extractCallback;
        extractCallback.Attach(extractCallbackObject);
        result = archive->Extract(nullptr, kAllItems, 0, extractCallback.Get());
    }
    archive->Close();
    return result == S_OK ? 0 : -1;
}
