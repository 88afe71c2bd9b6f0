// Running the product's uninstall programs and DLL exports.
#pragma once

#include <windows.h>

#include <string>

// Starts the program through the shell ("open", the path quoted), optionally
// after the publisher signature check, optionally waiting for it. False when
// the path is invalid or missing, the check fails, the start fails, or an
// exit code was asked for and cannot be had.
bool RunProgram(const wchar_t* path, const wchar_t* parameters, int showCommand, bool signatureRequired,
                bool wait, DWORD* exitCode, DWORD waitMilliseconds);
// Terminates a running copy, then runs the program with SW_SHOWNORMAL and
// logs both ends.
void CallExeProgram(const wchar_t* path, const wchar_t* commandLine, bool signatureRequired, bool wait,
                    DWORD waitMilliseconds);
// Loads the DLL and calls export(argument) (stdcall, one wide text).
void CallDllFunction(const wchar_t* path, const char* exportName, const wchar_t* argument,
                     bool signatureRequired);
// Loads the DLL and calls export(argument, buffer, capacity) (stdcall), and a
// second time with a buffer of the returned count + 1 when that is positive.
// The text the export wrote; empty when nothing was called.
std::wstring CallDllInterfaceEx(const wchar_t* path, const char* exportName, const wchar_t* argument,
                                bool signatureRequired);

// For tests: when set, called with the program and the milliseconds each
// waiting RunProgram is about to wait for.
typedef void (*ProgramWaitObserver)(const wchar_t* path, DWORD milliseconds);
void SetProgramWaitObserver(ProgramWaitObserver observer);
