// Blowfish-ECB and Base64: the published known answers, the zero fill, the
// strict decoder and the wide-text wrappers.
#include "base/string_cipher.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string Encrypt(const std::string& plain, const std::string& key) {
    std::string out;
    EXPECT_TRUE(BlowfishEcbEncrypt(plain.data(), plain.size(), key, &out));
    return out;
}

std::string Decrypt(const std::string& enciphered, const std::string& key) {
    std::string out;
    EXPECT_TRUE(BlowfishEcbDecrypt(enciphered.data(), enciphered.size(), key, &out));
    return out;
}

struct BlockVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// The published variable-text / variable-key set (8-byte keys).
const BlockVector kBlockVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(BlowfishTest, BlockFunctionMatchesThePublishedVectors) {
    for (const BlockVector& v : kBlockVectors) {
        SCOPED_TRACE(v.key);
        std::string cipher = Encrypt(FromHex(v.plain), FromHex(v.key));
        EXPECT_EQ(v.cipher, ToHex(cipher));
        EXPECT_EQ(v.plain, ToHex(Decrypt(cipher, FromHex(v.key))));
    }
}

TEST(BlowfishTest, KeysOfOneToTwentyFourBytesMatchThePublishedVectors) {
    const std::string keyBytes = FromHex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* const expected[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
        "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
        "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
        "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080"};
    for (size_t length = 1; length <= 24; ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(expected[length - 1], ToHex(Encrypt(FromHex("FEDCBA9876543210"), keyBytes.substr(0, length))));
    }
}

TEST(BlowfishTest, TextKeysMatchThePublishedVectors) {
    EXPECT_EQ("324ED0FEF413A203", ToHex(Encrypt("BLOWFISH", "abcdefghijklmnopqrstuvwxyz")));
    EXPECT_EQ("CC91732B8022F684", ToHex(Encrypt(FromHex("FEDCBA9876543210"), "Who is John Galt?")));
}

TEST(BlowfishTest, KeyBytesAreTakenCyclicallyAndOnlyTheFirst72Count) {
    const std::string plain = "12345678";
    std::string repeated;
    for (int i = 0; i < 36; ++i) repeated += "ab";  // 72 bytes
    EXPECT_EQ(Encrypt(plain, "ab"), Encrypt(plain, "abab"));
    EXPECT_EQ(Encrypt(plain, "ab"), Encrypt(plain, repeated));
    EXPECT_EQ(Encrypt(plain, "x"), Encrypt(plain, std::string(72, 'x')));
    const std::string longKey = repeated + "tail that is never used";
    EXPECT_EQ(Encrypt(plain, repeated), Encrypt(plain, longKey));
    EXPECT_NE(Encrypt(plain, "ab"), Encrypt(plain, "ba"));
}

TEST(BlowfishTest, EnciphersEveryBlockOnItsOwnWithZeroFill) {
    const std::string key = "secret";
    const std::string one = Encrypt("ABCDEFGH", key);
    EXPECT_EQ(one + one, Encrypt("ABCDEFGHABCDEFGH", key));  // ECB: no chaining

    EXPECT_EQ(8u, Encrypt(std::string(7, 'x'), key).size());
    EXPECT_EQ(8u, Encrypt(std::string(8, 'x'), key).size());
    EXPECT_EQ(16u, Encrypt(std::string(9, 'x'), key).size());
    EXPECT_EQ(Encrypt(std::string("abc\0\0\0\0\0", 8), key), Encrypt("abc", key));
    // Deciphering keeps the fill.
    EXPECT_EQ(std::string("abc\0\0\0\0\0", 8), Decrypt(Encrypt("abc", key), key));
}

TEST(BlowfishTest, RefusesWhatCannotBeEnciphered) {
    std::string out = "untouched";
    EXPECT_FALSE(BlowfishEcbEncrypt("", 0, "key", &out));
    EXPECT_FALSE(BlowfishEcbEncrypt(nullptr, 8, "key", &out));
    EXPECT_FALSE(BlowfishEcbEncrypt("abc", 3, "", &out));
    EXPECT_FALSE(BlowfishEcbDecrypt("abcdefg", 7, "key", &out));
    EXPECT_FALSE(BlowfishEcbDecrypt("", 0, "key", &out));
    EXPECT_FALSE(BlowfishEcbDecrypt("abcdefgh", 8, "", &out));
    EXPECT_EQ("untouched", out);
}

TEST(Base64Test, EncodesThePublishedVectors) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {{"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, Base64Encode(c.bytes, std::string(c.bytes).size()));
        std::string decoded;
        EXPECT_TRUE(Base64Decode(c.text, &decoded)) << c.text;
        EXPECT_EQ(c.bytes, decoded);
    }
    EXPECT_EQ("", Base64Encode("", 0));
}

TEST(Base64Test, DecoderAcceptsOnlyStrictBase64) {
    const struct {
        const char* text;
        bool accepted;
        const char* bytes;
    } cases[] = {
        {"", true, ""},           {"QQ==", true, "A"},        {"QUI=", true, "AB"},       {"QUJD", true, "ABC"},
        {"QUJDRA==", true, "ABCD"}, {"Q", false, ""},         {"QUJ", false, ""},         {"QUJDR", false, ""},
        {"Q===", false, ""},      {"====", false, ""},        {"QU=D", false, ""},        {"QUJD====", false, ""},
        {"=QUJ", false, ""},      {" QUJ", false, ""},        {"QUJ\n", false, ""},       {"QUJD\r\n", false, ""},
        {"QU-D", false, ""},      {"QU_D", false, ""},        {"QUJ.", false, ""},        {"QUJ\x80", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string decoded = "before";
        EXPECT_EQ(c.accepted, Base64Decode(c.text, &decoded));
        EXPECT_EQ(c.accepted ? std::string(c.bytes) : std::string("before"), decoded);
    }
    std::string decoded;
    EXPECT_FALSE(Base64Decode(std::string("QU\0D", 4), &decoded));
}

TEST(StringCipherTest, FillAndLengthsOfTheBase64Text) {
    const std::string key = "key";
    std::string text;
    ASSERT_TRUE(BlowfishEcbEncryptBase64("1234567", 7, key, &text));
    EXPECT_EQ(12u, text.size());
    EXPECT_EQ('=', text.back());
    EXPECT_NE('=', text[text.size() - 2]);

    ASSERT_TRUE(BlowfishEcbEncryptBase64("12345678", 8, key, &text));
    EXPECT_EQ(12u, text.size());
    ASSERT_TRUE(BlowfishEcbEncryptBase64("123456789", 9, key, &text));
    EXPECT_EQ(24u, text.size());
    EXPECT_EQ("==", text.substr(22));

    text = "untouched";
    EXPECT_FALSE(BlowfishEcbEncryptBase64("", 0, key, &text));
    EXPECT_EQ("untouched", text);
}

TEST(StringCipherTest, DecryptFailsForTextThatIsNotWholeEncipheredBlocks) {
    std::string bytes;
    for (const char* text : {"", "QUJ", "QUJDR", "QUJD", "QUJDRA==", "not base64!"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Base64BlowfishEcbDecrypt(text, "key", &bytes));
    }
    std::string enciphered;
    ASSERT_TRUE(BlowfishEcbEncryptBase64("abc", 3, "key", &enciphered));
    EXPECT_FALSE(Base64BlowfishEcbDecrypt(enciphered, "", &bytes));
    ASSERT_TRUE(Base64BlowfishEcbDecrypt(enciphered, "key", &bytes));
    EXPECT_EQ(std::string("abc\0\0\0\0\0", 8), bytes);
}

TEST(StringCipherTest, WideTextGoesThroughUtf8) {
    // Computed independently: UTF-8 of the text, zero-filled to 16 bytes,
    // Blowfish-ECB under the 16-byte key, Base64.
    EXPECT_EQ(L"9G1TYwWpnFCt6lIXO4FY9Q==", BlowfishEcbEncryptTextW(L"卸载完成", L"0123456789abcdef"));
    EXPECT_EQ(L"卸载完成", Base64BlowfishEcbDecryptTextW(L"9G1TYwWpnFCt6lIXO4FY9Q==", L"0123456789abcdef"));
}

TEST(StringCipherTest, WideTextRoundTrips) {
    const wchar_t key[] = L"0123456789abcdef0123456789ABCDEF";  // 32 characters
    const wchar_t* const texts[] = {L"卸载完成", L"a", L"12345678", L"安装或卸载程序已经在运行,点击“确定”退出",
                                    L"mixed 中文 text with a longer tail that spans blocks"};
    for (const wchar_t* text : texts) {
        std::wstring enciphered = BlowfishEcbEncryptTextW(text, key);
        ASSERT_FALSE(enciphered.empty());
        EXPECT_EQ(0u, enciphered.size() % 4);
        EXPECT_EQ(text, Base64BlowfishEcbDecryptTextW(enciphered.c_str(), key));
        EXPECT_NE(text, Base64BlowfishEcbDecryptTextW(enciphered.c_str(), L"0123456789abcdef0123456789ABCDEX"));
    }
    // A Chinese key counts by its UTF-8 bytes.
    std::wstring enciphered = BlowfishEcbEncryptTextW(L"text", L"密钥");
    EXPECT_EQ(L"text", Base64BlowfishEcbDecryptTextW(enciphered.c_str(), L"密钥"));
}

TEST(StringCipherTest, WideTextFailuresGiveEmptyText) {
    EXPECT_EQ(L"", BlowfishEcbEncryptTextW(L"", L"key"));
    EXPECT_EQ(L"", BlowfishEcbEncryptTextW(L"text", L""));
    EXPECT_EQ(L"", BlowfishEcbEncryptTextW(nullptr, L"key"));
    EXPECT_EQ(L"", Base64BlowfishEcbDecryptTextW(L"", L"key"));
    EXPECT_EQ(L"", Base64BlowfishEcbDecryptTextW(L"QUJ", L"key"));
    EXPECT_EQ(L"", Base64BlowfishEcbDecryptTextW(L"QUJDRA==", L"key"));
    EXPECT_EQ(L"", Base64BlowfishEcbDecryptTextW(nullptr, L"key"));
    EXPECT_EQ(L"", Base64BlowfishEcbDecryptTextW(L"9G1TYwWpnFCt6lIXO4FY9Q==", nullptr));
}

// Hostile text: random and truncated inputs must fail cleanly or decode,
// never read or write outside their buffers.
TEST(StringCipherTest, SurvivesRandomAndTruncatedText) {
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\r\n \x80\xff";
    std::srand(20261211);
    std::string valid;
    ASSERT_TRUE(BlowfishEcbEncryptBase64("a text long enough for several blocks", 37, "key", &valid));
    for (size_t length = 0; length <= valid.size(); ++length) {
        std::string bytes;
        bool ok = Base64BlowfishEcbDecrypt(valid.substr(0, length), "key", &bytes);
        if (length % 4 != 0 || length == 0) {
            EXPECT_FALSE(ok) << length;
        }
        if (length == valid.size()) {
            EXPECT_TRUE(ok);
        }
        if (ok) {
            EXPECT_EQ(0u, bytes.size() % 8) << length;
        }
    }
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = std::rand() % 40;
        const bool strict = round % 2 == 0;  // half stay inside the alphabet
        for (int i = 0; i < length; ++i)
            text += alphabet[std::rand() % (strict ? 64 : static_cast<int>(sizeof(alphabet) - 1))];
        std::string decoded;
        if (Base64Decode(text, &decoded)) {
            ASSERT_EQ(0u, text.size() % 4) << text;
            const size_t fill = text.empty() ? 0 : text.size() - 1 - text.find_last_not_of('=');
            EXPECT_LE(fill, 2u) << text;
            EXPECT_EQ(text.size() / 4 * 3 - fill, decoded.size()) << text;
        }
        std::string bytes;
        if (Base64BlowfishEcbDecrypt(text, "key", &bytes)) {
            EXPECT_EQ(0u, bytes.size() % 8);
        }
        std::wstring wide(text.begin(), text.end());
        Base64BlowfishEcbDecryptTextW(wide.c_str(), L"key");
    }
}

}  // namespace
