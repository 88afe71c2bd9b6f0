// The process's start-up and shutdown sequence, run on the UI thread.
#pragma once

#include <windows.h>

// Name of the log file in the user's temporary folder.
extern const wchar_t kLogFileName[];

// Runs the whole process and returns its exit code, which is 0 on every path.
int RunUninstallerProcess(HINSTANCE instance, const wchar_t* commandLineTail, int showCommand);
