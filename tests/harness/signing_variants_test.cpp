// The differently-signed copies the build makes for the signature tests
// verify the way those tests rely on.
#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"
#include "trusted_test_ca.h"

using namespace testing_support;

namespace {

std::wstring Variant(const wchar_t* suffix) { return ExeDir() + L"\\signing\\signing_subject." + suffix + L".exe"; }

struct Verdict {
    LONG result = 0;
    std::wstring signer;
};

Verdict VerifyHere(const std::wstring& path) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;

    Verdict verdict;
    verdict.result = ::WinVerifyTrust(nullptr, &action, &data);
    if (CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data.hWVTStateData)) {
        CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
        if (signer && signer->pChainContext && signer->pChainContext->cChain > 0 &&
            signer->pChainContext->rgpChain[0]->cElement > 0) {
            PCCERT_CONTEXT cert = signer->pChainContext->rgpChain[0]->rgpElement[0]->pCertContext;
            wchar_t name[512] = {};
            if (::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512) > 1)
                verdict.signer = name;
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(nullptr, &action, &data);
    return verdict;
}

// Wine's chain engine reads the root store once per process, so each file is
// verified by a fresh process, as the uninstaller itself would be.
VORUD_TEST_CHILD(verify_signature) {
    if (argc < 2) return 2;
    Verdict verdict = VerifyHere(argv[0]);
    char line[32];
    snprintf(line, sizeof(line), "%08lX\n", static_cast<unsigned long>(verdict.result));
    return WriteFileBytes(argv[1], line + Narrow(verdict.signer)) ? 0 : 3;
}

Verdict Verify(const std::wstring& path) {
    ScopedTempDir dir(L"verify");
    std::wstring out = dir.Join(L"verdict.txt");
    Verdict verdict;
    verdict.result = -1;
    if (RunChild(L"verify_signature", L"\"" + path + L"\" \"" + out + L"\"") != 0) return verdict;
    std::string text = ReadFileBytes(out);
    size_t newline = text.find('\n');
    if (newline == std::string::npos) return verdict;
    verdict.result = static_cast<LONG>(std::stoul(text.substr(0, newline), nullptr, 16));
    std::string signer = text.substr(newline + 1);
    int size = ::MultiByteToWideChar(CP_UTF8, 0, signer.data(), static_cast<int>(signer.size()), nullptr, 0);
    verdict.signer.resize(static_cast<size_t>(size));
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, signer.data(), static_cast<int>(signer.size()), &verdict.signer[0], size);
    return verdict;
}

const wchar_t kPublisher[] = L"\u6210\u90fd\u9752\u5c9a\u79d1\u6280\u6709\u9650\u516c\u53f8";


struct VariantCase {
    const char* name;
    const wchar_t* suffix;
    bool trustTestCa;
    LONG result;
    const wchar_t* signer;  // null: no signer expected
};

class SigningVariantsTest : public ::testing::TestWithParam<VariantCase> {};

TEST_P(SigningVariantsTest, VerifiesAsTheSignatureTestsExpect) {
    const VariantCase& c = GetParam();
    ASSERT_TRUE(FileExists(Variant(c.suffix)));
    std::unique_ptr<TrustedTestCa> trust;
    if (c.trustTestCa) {
        trust.reset(new TrustedTestCa(ExeDir() + L"\\signing\\testca.cer"));
        ASSERT_TRUE(trust->Added());
    }
    Verdict verdict = Verify(Variant(c.suffix));
    EXPECT_EQ(c.result, verdict.result) << std::hex << verdict.result;
    if (c.signer) {
        EXPECT_EQ(std::wstring(c.signer), verdict.signer);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, SigningVariantsTest,
    ::testing::Values(
        VariantCase{"unsigned", L"unsigned", false, static_cast<LONG>(TRUST_E_NOSIGNATURE), nullptr},
        VariantCase{"publisherSelfSigned", L"publisher", false, static_cast<LONG>(CERT_E_UNTRUSTEDROOT), kPublisher},
        VariantCase{"otherName", L"other", false, static_cast<LONG>(CERT_E_UNTRUSTEDROOT),
                    L"Some Other Software Co., Ltd."},
        VariantCase{"testCaUntrusted", L"testca", false, static_cast<LONG>(CERT_E_UNTRUSTEDROOT), kPublisher},
        VariantCase{"testCaTrusted", L"testca", true, 0, kPublisher},
        VariantCase{"expiredTrusted", L"expired", true, static_cast<LONG>(CERT_E_EXPIRED), kPublisher},
        VariantCase{"tampered", L"tampered", false, static_cast<LONG>(TRUST_E_BAD_DIGEST), nullptr}),
    [](const ::testing::TestParamInfo<VariantCase>& info) { return info.param.name; });

}  // namespace
