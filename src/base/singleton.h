// Process-wide singletons, created on first use from any thread and never
// destroyed.
#pragma once

#include <windows.h>

#include <atomic>
#include <new>

#include "base/locker.h"

namespace _BaseModule {

// A critical section usable before and during static initialisation: its
// storage is constant-initialised and the section itself is set up exactly
// once, on first entry, whichever thread gets there first.
class CStaticCriticalSection {
public:
    constexpr CStaticCriticalSection() : m_once(INIT_ONCE_STATIC_INIT), m_section() {}

    void Enter() {
        ::InitOnceExecuteOnce(&m_once, &CStaticCriticalSection::Init, &m_section, nullptr);
        ::EnterCriticalSection(&m_section);
    }
    void Leave() { ::LeaveCriticalSection(&m_section); }

private:
    static BOOL CALLBACK Init(PINIT_ONCE, PVOID section, PVOID*) {
        ::InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(section));
        return TRUE;
    }

    INIT_ONCE m_once;
    CRITICAL_SECTION m_section;
};

}  // namespace _BaseModule

// Base of the program's singletons. A class T derives from CSingletonT<T>
// and befriends it when its constructor is not public.
template <class T>
class CSingletonT {
public:
    virtual ~CSingletonT() {}

    // The one instance, created on first use; null only when the lock that
    // guards its creation cannot be allocated.
    static T* Instance() {
        if (!s_lock.load(std::memory_order_acquire)) {
            s_lockGuard.Enter();
            if (!s_lock.load(std::memory_order_relaxed))
                s_lock.store(new (std::nothrow) _BaseModule::CCriticalSection, std::memory_order_release);
            s_lockGuard.Leave();
            if (!s_lock.load(std::memory_order_acquire)) return nullptr;
        }
        T* instance = s_instance.load(std::memory_order_acquire);
        if (instance) return instance;

        _BaseModule::CAutoLocker guard(s_lock.load(std::memory_order_acquire));
        instance = s_instance.load(std::memory_order_relaxed);
        if (!instance) {
            instance = new (std::nothrow) T;
            s_instance.store(instance, std::memory_order_release);
        }
        return instance;
    }

protected:
    CSingletonT() {}

private:
    static std::atomic<T*> s_instance;
    static std::atomic<_BaseModule::CCriticalSection*> s_lock;
    static _BaseModule::CStaticCriticalSection s_lockGuard;
};

template <class T>
std::atomic<T*> CSingletonT<T>::s_instance{nullptr};
template <class T>
std::atomic<_BaseModule::CCriticalSection*> CSingletonT<T>::s_lock{nullptr};
template <class T>
_BaseModule::CStaticCriticalSection CSingletonT<T>::s_lockGuard;
