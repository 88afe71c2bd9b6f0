#include "base/windows_bitness.h"

#include <windows.h>

namespace {

const WORD kArchitectureAmd64 = 9;
const WORD kArchitectureIa64 = 6;
const WORD kArchitectureArm64 = 12;
const USHORT kMachineArm64 = 0xAA64;

typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO);
typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE, USHORT*, USHORT*);

bool Detect64BitWindows() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return false;
    auto getNativeSystemInfo =
        reinterpret_cast<GetNativeSystemInfoFn>(::GetProcAddress(kernel, "GetNativeSystemInfo"));
    if (!getNativeSystemInfo) return false;

    SYSTEM_INFO info = {};
    getNativeSystemInfo(&info);
    const WORD architecture = info.wProcessorArchitecture;
    if (architecture == kArchitectureAmd64 || architecture == kArchitectureIa64 ||
        architecture == kArchitectureArm64)
        return true;

    // An x86 process under ARM64 emulation is told it runs on x86.
    auto isWow64Process2 = reinterpret_cast<IsWow64Process2Fn>(::GetProcAddress(kernel, "IsWow64Process2"));
    USHORT processMachine = 0;
    USHORT nativeMachine = 0;
    return isWow64Process2 && isWow64Process2(::GetCurrentProcess(), &processMachine, &nativeMachine) &&
           nativeMachine == kMachineArm64;
}

}  // namespace

bool Is64BitWindows() {
    static const bool is64Bit = Detect64BitWindows();
    return is64Bit;
}
