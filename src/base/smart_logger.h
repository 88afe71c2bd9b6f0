// The process's one text log. Every line is appended to the file at once
// (open, append, close); the first write of each process starts with a
// banner line. The file is text in the runtime locale's multibyte code page
// (the Chinese locale the start-up sets: code page 936).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/locker.h"

class CSmartLogger {
public:
    // Messages longer than this after formatting are dropped.
    static const int kMaxMessageChars = 511;
    // An existing log larger than this is deleted when the path is set.
    static const LONGLONG kMaxFileBytes = 1073741824LL;

    CSmartLogger();
    ~CSmartLogger();

    // Sets the log file; an existing file over kMaxFileBytes is deleted.
    void SetLogFile(const wchar_t* path);
    // Queues one time-stamped line; returns the number of pending lines.
    int AddLine(const wchar_t* message);
    // Writes the pending lines; 1 when the file was opened and written.
    int Flush();
    // Drops the pending lines.
    void Clear();

    std::wstring GetLogFile();

    CSmartLogger(const CSmartLogger&) = delete;
    CSmartLogger& operator=(const CSmartLogger&) = delete;

private:
    _BaseModule::CCriticalSection m_lock;
    std::vector<std::wstring> m_pending;
    std::wstring m_path;
    int m_bannerPending;
};

// The process-wide logger that WriteLog writes to.
extern CSmartLogger g_SmartLogger;

// Formats with the wide printf conventions ("%s" takes a wide string) and
// logs one line. Never fails visibly: an unwritable log or an over-long
// message loses the line.
int WriteLog(const wchar_t* format, ...);
int WriteLogV(const wchar_t* format, va_list args);
