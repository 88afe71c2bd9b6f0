// What start-up tells the user when the second stage cannot go on.
#pragma once

#include <string>

extern const wchar_t kDamagedText[];

// The text for a failed pre-initialisation check (2: the program is damaged,
// 3: 7z.dll is damaged); empty for any other code.
std::wstring GetPreInitErrorText(int code);

// Shows a message box with the text and style and returns the button
// pressed; silently it returns 0 at once.
int ShowStartupMessage(const std::wstring& text, unsigned int style);

// The damaged-program message with Yes and No; Yes opens the download page of
// the full installer.
void ShowDamagedDialog();

// The download address of the product's full installer.
extern const wchar_t kFullInstallerUrl[];
