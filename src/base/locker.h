// Locks shared by every thread of the process: the lock interface, the one
// critical-section implementation and the scoped locker.
#pragma once

#include <windows.h>

namespace _BaseModule {

class ILocker {
public:
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

protected:
    ~ILocker() = default;
};

// A recursive lock: the owning thread may take it again.
class CCriticalSection : public ILocker {
public:
    CCriticalSection();
    virtual ~CCriticalSection();

    void Lock() override;
    void Unlock() override;

    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

private:
    CRITICAL_SECTION m_section;
};

// Holds a lock for its own lifetime; a null locker is allowed and does nothing.
class CAutoLocker {
public:
    explicit CAutoLocker(ILocker* locker);
    explicit CAutoLocker(ILocker& locker) : CAutoLocker(&locker) {}
    virtual ~CAutoLocker();

    CAutoLocker(const CAutoLocker&) = delete;
    CAutoLocker& operator=(const CAutoLocker&) = delete;

private:
    ILocker* m_locker;
};

}  // namespace _BaseModule
