// Owning wrappers for kernel handles.
#pragma once

#include <windows.h>

#include <utility>

// A kernel handle closed with CloseHandle. Both null and
// INVALID_HANDLE_VALUE count as "no handle".
class CHandle {
public:
    CHandle() : m_handle(nullptr) {}
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle() { Close(); }

    CHandle(CHandle&& other) noexcept : m_handle(other.Detach()) {}
    CHandle& operator=(CHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return IsValid(); }

    void Attach(HANDLE handle) {
        Close();
        m_handle = handle;
    }
    HANDLE Detach() { return std::exchange(m_handle, nullptr); }
    void Close() {
        if (IsValid()) ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};
