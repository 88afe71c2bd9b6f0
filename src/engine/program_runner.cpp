#include "engine/program_runner.h"

bool RunProgram(const wchar_t*, const wchar_t*, int, bool, bool, DWORD*, DWORD) { return false; }
void CallExeProgram(const wchar_t*, const wchar_t*, bool, bool, DWORD) {}
void CallDllFunction(const wchar_t*, const char*, const wchar_t*, bool) {}
std::wstring CallDllInterfaceEx(const wchar_t*, const char*, const wchar_t*, bool) { return std::wstring(); }
void SetProgramWaitObserver(ProgramWaitObserver) {}
