#include "base/text_convert.h"

#include <climits>

std::string WideToMultiByte(const std::wstring& text, UINT codePage) {
    if (text.empty() || text.size() > INT_MAX) return std::string();
    const int length = static_cast<int>(text.size());
    int size = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string bytes(static_cast<size_t>(size), '\0');
    size = ::WideCharToMultiByte(codePage, 0, text.data(), length, &bytes[0], size, nullptr, nullptr);
    if (size <= 0) return std::string();
    bytes.resize(static_cast<size_t>(size));
    return bytes;
}

std::wstring MultiByteToWide(const std::string& bytes, UINT codePage) {
    if (bytes.empty() || bytes.size() > INT_MAX) return std::wstring();
    const int length = static_cast<int>(bytes.size());
    int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(size), L'\0');
    size = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, &text[0], size);
    if (size <= 0) return std::wstring();
    text.resize(static_cast<size_t>(size));
    return text;
}
