// The version text of a product executable, as the reports carry it.
#pragma once

#include <string>

// The file's FileVersion string on 32-bit Windows 10 and later (',' made '.',
// spaces removed), else its fixed file version "a.b.c.d"; empty without a
// version resource.
std::wstring GetProductVersionText(const std::wstring& path);

// The same with the Windows and processor answer given: preferStringVersion
// is what 32-bit Windows 10 and later get.
std::wstring GetVersionText(const std::wstring& path, bool preferStringVersion);
