// The COM interfaces of 7z.dll that the extraction client uses, with their
// interface ids, the property ids it reads and the library's export.
//
// The vtable layout must match the library exactly: every method is
// STDMETHODCALLTYPE (it matters for the 32-bit build) and the methods of each
// interface are declared in the library's order.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

namespace seven_zip {

// Interface ids are {23170F69-40C1-278A-0000-00gg00ii0000}: group gg,
// interface ii inside the group.
constexpr GUID MakeInterfaceId(unsigned char group, unsigned char id) {
    return GUID{0x23170F69, 0x40C1, 0x278A, {0x00, 0x00, 0x00, group, 0x00, id, 0x00, 0x00}};
}

constexpr GUID IID_IProgress = MakeInterfaceId(0x00, 0x05);
constexpr GUID IID_ISequentialInStream = MakeInterfaceId(0x03, 0x01);
constexpr GUID IID_ISequentialOutStream = MakeInterfaceId(0x03, 0x02);
constexpr GUID IID_IInStream = MakeInterfaceId(0x03, 0x03);
constexpr GUID IID_IStreamGetSize = MakeInterfaceId(0x03, 0x06);
constexpr GUID IID_ICryptoGetTextPassword = MakeInterfaceId(0x05, 0x10);
constexpr GUID IID_IArchiveOpenCallback = MakeInterfaceId(0x06, 0x10);
constexpr GUID IID_IArchiveExtractCallback = MakeInterfaceId(0x06, 0x20);
constexpr GUID IID_IInArchive = MakeInterfaceId(0x06, 0x60);

// The handler class of the 7z format.
constexpr GUID CLSID_Format7z = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

// Item properties (IInArchive::GetProperty).
enum : PROPID {
    kpidPath = 3,    // VT_BSTR
    kpidIsDir = 6,   // VT_BOOL
    kpidAttrib = 9,  // VT_UI4
    kpidMTime = 12,  // VT_FILETIME
};

// IArchiveExtractCallback::GetStream / PrepareOperation modes.
enum : INT32 {
    kAskModeExtract = 0,
    kAskModeTest = 1,
    kAskModeSkip = 2,
};

// IArchiveExtractCallback::SetOperationResult values.
enum : INT32 {
    kOperationOk = 0,
    kOperationUnsupportedMethod = 1,
    kOperationDataError = 2,
    kOperationCrcError = 3,
    kOperationUnavailable = 4,
    kOperationUnexpectedEnd = 5,
    kOperationDataAfterEnd = 6,
    kOperationIsNotArchive = 7,
    kOperationHeadersError = 8,
    kOperationWrongPassword = 9,
};

// Extract's numItems for "every item".
constexpr UINT32 kAllItems = 0xFFFFFFFFu;

struct IProgress : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) = 0;
};

struct ISequentialInStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct ISequentialOutStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) = 0;
};

// seekOrigin is 0 from the start, 1 from the current position, 2 from the
// end (the values of FILE_BEGIN, FILE_CURRENT, FILE_END).
struct IInStream : public ISequentialInStream {
    virtual HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) = 0;
};

struct IStreamGetSize : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSize(UINT64* size) = 0;
};

// The caller frees *password with SysFreeString.
struct ICryptoGetTextPassword : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) = 0;
};

struct IArchiveOpenCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) = 0;
};

// For each item the library calls GetStream, PrepareOperation and, once the
// item is done, SetOperationResult. A null stream in extract mode skips the
// item's data.
struct IArchiveExtractCallback : public IProgress {
    virtual HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream,
                                                INT32 askExtractMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 opRes) = 0;
};

// Open: a null maxCheckStartPosition lets the handler look for the archive's
// start. Extract: indices sorted, numItems kAllItems for every item, testMode
// non-zero to test without writing.
struct IInArchive : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open(IInStream* stream, const UINT64* maxCheckStartPosition,
                                           IArchiveOpenCallback* openCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfItems(UINT32* numItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperty(UINT32 index, PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Extract(const UINT32* indices, UINT32 numItems, INT32 testMode,
                                              IArchiveExtractCallback* extractCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArchiveProperty(PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfProperties(UINT32* numProps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyInfo(UINT32 index, BSTR* name, PROPID* propID,
                                                      VARTYPE* varType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfArchiveProperties(UINT32* numProps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArchivePropertyInfo(UINT32 index, BSTR* name, PROPID* propID,
                                                             VARTYPE* varType) = 0;
};

// The library's "CreateObject" export.
typedef HRESULT(WINAPI* CreateObjectFunc)(const GUID* clsid, const GUID* iid, void** out);

}  // namespace seven_zip
