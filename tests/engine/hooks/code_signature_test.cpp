// The two signature checks over the differently-signed fakes: which results
// of the trust verification each accepts and whose name it wants.
#include "engine/code_signature.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "hooks_test_support.h"

using namespace hooks_test;
using testing_support::RunChild;

namespace {

const wchar_t kNull[] = L"-null";

const wchar_t* Argument(const wchar_t* text) { return std::wcscmp(text, kNull) == 0 ? nullptr : text; }

// Both checks of one file in a process of their own (Wine's chain engine
// reads the Root store once per process). Exit code: 1 for
// IsSignedByPublisher, 2 for IsSignedBy(path, signer), added.
VORUD_TEST_CHILD(check_signatures) {
    if (argc < 2) return 16;
    const wchar_t* path = Argument(argv[0]);
    const wchar_t* signer = Argument(argv[1]);
    return (IsSignedByPublisher(path) ? 1 : 0) | (IsSignedBy(path, signer) ? 2 : 0);
}

struct SignatureCase {
    const char* name;
    std::wstring path;  // kNull: a null path
    bool trustTestCa;
    const wchar_t* signer;  // for IsSignedBy; kNull: a null name
    bool byPublisher;
    bool by;
};

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class SignatureCheckTest : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(SignatureCheckTest, AcceptsWhatTheRuleAccepts) {
    const SignatureCase& c = GetParam();
    if (c.path != kNull && c.path.find(L"missing") == std::wstring::npos) {
        ASSERT_TRUE(testing_support::FileExists(c.path)) << Narrow(c.path);
    }
    std::unique_ptr<TrustedHooksCa> trust;
    if (c.trustTestCa) {
        trust.reset(new TrustedHooksCa);
        ASSERT_TRUE(trust->Added());
    }
    long result = RunChild(L"check_signatures", Quoted(c.path) + L" " + Quoted(c.signer));
    ASSERT_GE(result, 0);
    ASSERT_LT(result, 4);
    EXPECT_EQ(c.byPublisher, (result & 1) != 0) << "IsSignedByPublisher";
    EXPECT_EQ(c.by, (result & 2) != 0) << "IsSignedBy";
}

std::wstring Missing() { return testing_support::ExeDir() + L"\\hooks\\missing.exe"; }

// Under Wine the throwaway certificates verify as on Windows: the
// self-signed publisher and other-signer certificates, and the test CA's
// leaves while the CA is not trusted, give CERT_E_UNTRUSTEDROOT; with the CA
// trusted the test-CA leaf gives 0 and the expired one CERT_E_EXPIRED.
INSTANTIATE_TEST_SUITE_P(
    Files, SignatureCheckTest,
    ::testing::Values(
        SignatureCase{"unsigned", Program(L"unsigned"), false, kPublisher, false, false},
        SignatureCase{"publisherSelfSigned", Program(L"publisher"), false, kPublisher, true, false},
        SignatureCase{"publisherSignedDll", Dll(L"hook_uninst", L"publisher"), false, kPublisher, true, false},
        SignatureCase{"otherSignerAgainstPublisher", Program(L"other"), false, kPublisher, false, false},
        // The other signer's own name does not help: its root is untrusted,
        // which IsSignedBy does not accept.
        SignatureCase{"otherSignerAgainstItsName", Program(L"other"), false, kOtherSigner, false, false},
        SignatureCase{"expiredUntrustedRoot", Program(L"expired"), false, kPublisher, true, false},
        SignatureCase{"expiredTrustedRoot", Program(L"expired"), true, kPublisher, true, true},
        SignatureCase{"testCaUntrusted", Program(L"testca"), false, kPublisher, true, false},
        SignatureCase{"testCaTrusted", Program(L"testca"), true, kPublisher, true, true},
        SignatureCase{"testCaTrustedDll", Dll(L"hook_uninst", L"testca"), true, kPublisher, true, true},
        SignatureCase{"testCaTrustedOtherName", Program(L"testca"), true, kOtherSigner, true, false},
        SignatureCase{"tampered", Program(L"tampered"), false, kPublisher, false, false},
        SignatureCase{"tamperedTrustedRoot", Program(L"tampered"), true, kPublisher, false, false},
        SignatureCase{"missingPath", Missing(), false, kPublisher, false, false},
        SignatureCase{"nullPath", kNull, false, kPublisher, false, false},
        // A null signer name accepts every file, even none.
        SignatureCase{"nullSignerUnsigned", Program(L"unsigned"), false, kNull, false, true},
        SignatureCase{"nullSignerMissingPath", Missing(), false, kNull, false, true},
        SignatureCase{"nullSignerNullPath", kNull, false, kNull, false, true}),
    [](const ::testing::TestParamInfo<SignatureCase>& info) { return info.param.name; });

}  // namespace
