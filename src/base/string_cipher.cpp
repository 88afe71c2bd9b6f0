#include "base/string_cipher.h"

#include <windows.h>

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>
#include <cstring>

#include "base/text_convert.h"

namespace {

const size_t kBlock = 8;
// The largest input whose Base64 text still fits the library's int lengths.
const size_t kMaxBytes = static_cast<size_t>(INT_MAX / 4) * 3 - kBlock;

// A keyed Blowfish schedule, wiped when it goes.
class CBlowfishKey {
public:
    explicit CBlowfishKey(const std::string& key) {
        const size_t significant = (BF_ROUNDS + 2) * 4;
        const size_t length = key.size() < significant ? key.size() : significant;
        BF_set_key(&m_key, static_cast<int>(length), reinterpret_cast<const unsigned char*>(key.data()));
    }
    ~CBlowfishKey() { OPENSSL_cleanse(&m_key, sizeof(m_key)); }

    void Run(const unsigned char* in, unsigned char* out, size_t length, int direction) const {
        for (size_t offset = 0; offset < length; offset += kBlock)
            BF_ecb_encrypt(in + offset, out + offset, &m_key, direction);
    }

    CBlowfishKey(const CBlowfishKey&) = delete;
    CBlowfishKey& operator=(const CBlowfishKey&) = delete;

private:
    BF_KEY m_key;
};

bool IsBase64Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

}  // namespace

bool BlowfishEcbEncrypt(const void* bytes, size_t length, const std::string& key, std::string* enciphered) {
    if (!bytes || length == 0 || length > kMaxBytes || key.empty() || !enciphered) return false;
    const size_t padded = (length + kBlock - 1) / kBlock * kBlock;
    std::string block(padded, '\0');
    std::memcpy(&block[0], bytes, length);
    CBlowfishKey schedule(key);
    unsigned char* data = reinterpret_cast<unsigned char*>(&block[0]);
    schedule.Run(data, data, padded, BF_ENCRYPT);
    enciphered->swap(block);
    return true;
}

bool BlowfishEcbDecrypt(const void* bytes, size_t length, const std::string& key, std::string* deciphered) {
    if (!bytes || length == 0 || length % kBlock != 0 || key.empty() || !deciphered) return false;
    std::string block(static_cast<const char*>(bytes), length);
    CBlowfishKey schedule(key);
    unsigned char* data = reinterpret_cast<unsigned char*>(&block[0]);
    schedule.Run(data, data, length, BF_DECRYPT);
    deciphered->swap(block);
    return true;
}

std::string Base64Encode(const void* bytes, size_t length) {
    if (!bytes || length == 0 || length > kMaxBytes) return std::string();
    std::string text((length + 2) / 3 * 4 + 1, '\0');
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]),
                                  static_cast<const unsigned char*>(bytes), static_cast<int>(length));
    text.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return text;
}

bool Base64Decode(const std::string& text, std::string* bytes) {
    if (!bytes) return false;
    if (text.empty()) {
        bytes->clear();
        return true;
    }
    const size_t length = text.size();
    if (length % 4 != 0 || length > INT_MAX) return false;
    size_t fill = 0;
    while (fill < 2 && text[length - 1 - fill] == '=') ++fill;
    for (size_t i = 0; i < length - fill; ++i)
        if (!IsBase64Letter(text[i])) return false;

    std::string decoded(length / 4 * 3, '\0');
    int written = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&decoded[0]),
                                  reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(length));
    // The library decodes each "=" as a zero sextet and counts its byte.
    if (written != static_cast<int>(decoded.size())) return false;
    decoded.resize(decoded.size() - fill);
    bytes->swap(decoded);
    return true;
}

bool BlowfishEcbEncryptBase64(const void* bytes, size_t length, const std::string& key, std::string* base64) {
    if (!base64) return false;
    std::string enciphered;
    if (!BlowfishEcbEncrypt(bytes, length, key, &enciphered)) return false;
    *base64 = Base64Encode(enciphered.data(), enciphered.size());
    return !base64->empty();
}

bool Base64BlowfishEcbDecrypt(const std::string& text, const std::string& key, std::string* bytes) {
    if (text.empty() || !bytes) return false;
    std::string decoded;
    if (!Base64Decode(text, &decoded)) return false;
    return BlowfishEcbDecrypt(decoded.data(), decoded.size(), key, bytes);
}

std::wstring BlowfishEcbEncryptTextW(const wchar_t* text, const wchar_t* key) {
    if (!text || !key) return std::wstring();
    const std::string plain = WideToMultiByte(text, CP_UTF8);
    std::string base64;
    if (!BlowfishEcbEncryptBase64(plain.data(), plain.size(), WideToMultiByte(key, CP_UTF8), &base64))
        return std::wstring();
    return MultiByteToWide(base64, CP_UTF8);
}

std::wstring Base64BlowfishEcbDecryptTextW(const wchar_t* text, const wchar_t* key) {
    if (!text || !key) return std::wstring();
    std::string bytes;
    if (!Base64BlowfishEcbDecrypt(WideToMultiByte(text, CP_UTF8), WideToMultiByte(key, CP_UTF8), &bytes))
        return std::wstring();
    return MultiByteToWide(std::string(bytes.c_str()), CP_UTF8);
}
