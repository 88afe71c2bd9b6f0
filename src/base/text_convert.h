// Conversions between wide text and multibyte text of a given code page.
#pragma once

#include <windows.h>

#include <string>

// Empty for empty text or when the conversion fails.
std::string WideToMultiByte(const std::wstring& text, UINT codePage);
// Bytes that are invalid in the code page become U+FFFD (or the code page's
// default character); empty for empty text or when the conversion fails.
std::wstring MultiByteToWide(const std::string& bytes, UINT codePage);
