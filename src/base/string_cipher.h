// Blowfish in ECB mode (16 rounds, 8-byte blocks read as two big-endian
// halves, keys of 1 to 72 significant bytes taken cyclically) and standard
// Base64 ("=" fill, no line breaks). Texts enciphered this way are exchanged
// with servers and with the product's other programs, so both must match the
// published algorithms exactly.
#pragma once

#include <cstddef>
#include <string>

// Enciphers every 8-byte block of the bytes, zero-filled up to a multiple of
// 8. Fails for empty input or an empty key.
bool BlowfishEcbEncrypt(const void* bytes, size_t length, const std::string& key, std::string* enciphered);
// Deciphers every block; no fill is removed. Fails for empty input, an empty
// key or a length that is not a multiple of 8.
bool BlowfishEcbDecrypt(const void* bytes, size_t length, const std::string& key, std::string* deciphered);

std::string Base64Encode(const void* bytes, size_t length);
// Accepts only empty text (no bytes) or text whose length is a multiple of 4,
// made of the alphabet with at most two "=" at its end.
bool Base64Decode(const std::string& text, std::string* bytes);

// Enciphers (zero fill) with the key's bytes, then encodes.
bool BlowfishEcbEncryptBase64(const void* bytes, size_t length, const std::string& key, std::string* base64);
// Decodes, then deciphers every block. Fails for empty text, a text that does
// not decode, or one that does not decode to whole blocks.
bool Base64BlowfishEcbDecrypt(const std::string& text, const std::string& key, std::string* bytes);

// Text and key as UTF-8; the Base64 result as wide text; empty on failure.
std::wstring BlowfishEcbEncryptTextW(const wchar_t* text, const wchar_t* key);
// Text and key as UTF-8; the deciphered bytes up to the first zero byte read
// as UTF-8 (so the zero fill is dropped); empty on failure.
std::wstring Base64BlowfishEcbDecryptTextW(const wchar_t* text, const wchar_t* key);
