#include "engine/windows_version.h"

#include <windows.h>

namespace {

struct NtVersion {
    bool known = false;
    DWORD major = 0;
    DWORD minor = 0;
};

typedef void(WINAPI* RtlGetNtVersionNumbersFn)(DWORD*, DWORD*, DWORD*);

NtVersion QueryNtVersion() {
    NtVersion version;
    HMODULE ntdll = ::LoadLibraryW(L"ntdll.dll");
    if (!ntdll) return version;
    auto query = reinterpret_cast<RtlGetNtVersionNumbersFn>(::GetProcAddress(ntdll, "RtlGetNtVersionNumbers"));
    if (query) {
        DWORD build = 0;
        query(&version.major, &version.minor, &build);
        version.known = true;
    }
    ::FreeLibrary(ntdll);
    return version;
}

}  // namespace

bool IsNT6OrLater() {
    static const bool answer = [] {
        NtVersion version = QueryNtVersion();
        return version.known && version.major >= 6;
    }();
    return answer;
}

bool IsWindows10OrLater() {
    static const bool answer = [] {
        NtVersion version = QueryNtVersion();
        return version.known && (version.major >= 10 || (version.major == 6 && version.minor == 4));
    }();
    return answer;
}
