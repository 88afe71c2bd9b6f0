#include "startup/startup_messages.h"

#include <windows.h>
#include <shellapi.h>

#include "base/silent_flag.h"
#include "base/smart_logger.h"

const wchar_t kDamagedText[] =
    L"\u5378\u8f7d\u7a0b\u5e8f\u5df2\u88ab\u7834\u574f\uff0c\u8bf7\u91cd\u65b0\u4e0b\u8f7d\u5b89\u88c5\u540e"
    L"\u518d\u8fdb\u884c\u5378\u8f7d";
const wchar_t kFullInstallerUrl[] = L"http://download.velawallpaper.invalid/vela/velawallpaper_home.exe";

namespace {

const wchar_t k7zDamagedText[] =
    L"7z.dll\u6587\u4ef6\u7834\u574f\uff0c\u8bf7\u91cd\u65b0\u4e0b\u8f7d\u5b89\u88c5\u540e\u8fdb\u884c\u5378"
    L"\u8f7d";

}  // namespace

std::wstring GetPreInitErrorText(int code) {
    if (code == 2) return kDamagedText;
    if (code == 3) return k7zDamagedText;
    return std::wstring();
}

int ShowStartupMessage(const std::wstring& text, unsigned int style) {
    // The drawn message box comes with the wizard; until then the text goes
    // to the log, and no button counts as pressed.
    if (GetSilentFlag()) return 0;
    WriteLog(L"message box (style %u): %s", style, text.c_str());
    return 0;
}

void ShowDamagedDialog() {
    if (ShowStartupMessage(kDamagedText, MB_YESNO) != IDYES) return;
    ::ShellExecuteW(nullptr, L"open", kFullInstallerUrl, nullptr, nullptr, SW_SHOWNORMAL);
}
