#include "trusted_test_ca.h"

#include <wincrypt.h>

#include <cwchar>

#include "test_support.h"

using testing_support::ReadFileBytes;

TrustedTestCa::TrustedTestCa(const std::wstring& certificateFile) {
    std::string der = ReadFileBytes(certificateFile);
    if (der.empty()) return;
    PCCERT_CONTEXT cert = ::CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
    if (!cert) return;
    BYTE hash[20];
    DWORD size = sizeof(hash);
    if (::CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size)) {
        wchar_t hex[41] = {};
        for (DWORD i = 0; i < size; ++i) swprintf(hex + 2 * i, 3, L"%02X", hash[i]);
        m_key = std::wstring(L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\") + hex;
    }
    m_added = ::CertAddEncodedCertificateToSystemStoreW(L"Root", reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size())) != FALSE;
    ::CertFreeCertificateContext(cert);
}

TrustedTestCa::~TrustedTestCa() {
    // Removal through the store API does not last under Wine; the registry
    // key is the store.
    if (!m_key.empty()) ::RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str());
}
