#include "engine/code_signature.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "base/seh_guard.h"

const wchar_t kPublisherSignerName[] = L"\u6210\u90fd\u9752\u5c9a\u79d1\u6280\u6709\u9650\u516c\u53f8";

namespace {

bool FileExists(const wchar_t* path) { return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// On Windows before Vista there is no check.
bool IsPreVistaWindows() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&version)) return false;
#pragma GCC diagnostic pop
    return version.dwMajorVersion < 6;
}

// The simple display name of the first signer's certificate; false when a
// link of the chain is missing.
bool GetSignerName(HANDLE stateData, wchar_t* name, DWORD capacity) {
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(stateData);
    if (!provider) return false;
    CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || !signer->pChainContext) return false;
    const CERT_CHAIN_CONTEXT* chain = signer->pChainContext;
    if (chain->cChain < 1 || !chain->rgpChain[0]) return false;
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    if (simple->cElement < 1 || !simple->rgpElement[0]) return false;
    PCCERT_CONTEXT cert = simple->rgpElement[0]->pCertContext;
    if (!cert) return false;
    DWORD length = ::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, capacity);
    // The count includes the terminator: 2 to 512 is a name of 1 to 511.
    return length >= 2 && length <= capacity;
}

// WinVerifyTrust of the file, then the signer name compared with the
// expected one. allowUntrustedRoot adds CERT_E_UNTRUSTEDROOT to the accepted
// results.
bool VerifySigner(const wchar_t* path, const wchar_t* signerName, bool allowUntrustedRoot) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;

    LONG result = ::WinVerifyTrust(nullptr, &action, &data);
    bool accepted = result == 0 || result == static_cast<LONG>(CERT_E_EXPIRED) ||
                    (allowUntrustedRoot && result == static_cast<LONG>(CERT_E_UNTRUSTEDROOT));
    bool answer = false;
    if (accepted) {
        wchar_t name[512] = {};
        if (GetSignerName(data.hWVTStateData, name, 512)) answer = ::lstrcmpiW(name, signerName) == 0;
    }

    WINTRUST_DATA close = {};
    close.cbStruct = sizeof(close);
    close.hWVTStateData = data.hWVTStateData;
    close.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(nullptr, &action, &close);
    return answer;
}

struct VerifyCall {
    const wchar_t* path;
    const wchar_t* signerName;
    bool allowUntrustedRoot;
    bool answer;
};

void RunVerify(void* context) {
    VerifyCall* call = static_cast<VerifyCall*>(context);
    call->answer = VerifySigner(call->path, call->signerName, call->allowUntrustedRoot);
}

// A structured exception inside the verification counts as a failed check.
bool VerifyGuarded(const wchar_t* path, const wchar_t* signerName, bool allowUntrustedRoot) {
    VerifyCall call = {path, signerName, allowUntrustedRoot, false};
    return RunSehGuarded(&RunVerify, &call) && call.answer;
}

}  // namespace

bool IsSignedByPublisher(const wchar_t* path) {
    if (!path || !FileExists(path)) return false;
    if (IsPreVistaWindows()) return true;
    return VerifyGuarded(path, kPublisherSignerName, true);
}

bool IsSignedBy(const wchar_t* path, const wchar_t* signerName) {
    if (!signerName) return true;
    if (!path || !FileExists(path)) return false;
    if (IsPreVistaWindows()) return true;
    return VerifyGuarded(path, signerName, false);
}
