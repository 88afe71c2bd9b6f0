#include "base/locker.h"

namespace _BaseModule {

CCriticalSection::CCriticalSection() { ::InitializeCriticalSection(&m_section); }

CCriticalSection::~CCriticalSection() { ::DeleteCriticalSection(&m_section); }

void CCriticalSection::Lock() { ::EnterCriticalSection(&m_section); }

void CCriticalSection::Unlock() { ::LeaveCriticalSection(&m_section); }

CAutoLocker::CAutoLocker(ILocker* locker) : m_locker(locker) {
    if (m_locker) m_locker->Lock();
}

CAutoLocker::~CAutoLocker() {
    if (m_locker) {
        m_locker->Unlock();
        m_locker = nullptr;
    }
}

}  // namespace _BaseModule
