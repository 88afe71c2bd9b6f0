// Owning holders for COM interfaces and BSTR strings.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <utility>

// A COM interface pointer that holds one reference: copying adds one,
// destruction releases it.
template <class T>
class CComPtr {
public:
    CComPtr() : m_p(nullptr) {}
    CComPtr(T* p) : m_p(p) {  // adds a reference
        if (m_p) m_p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~CComPtr() { Release(); }

    CComPtr& operator=(const CComPtr& other) {
        CComPtr copy(other);
        Swap(copy);
        return *this;
    }
    CComPtr& operator=(CComPtr&& other) noexcept {
        CComPtr moved(std::move(other));
        Swap(moved);
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // For out parameters: releases what is held and returns the slot.
    T** Receive() {
        Release();
        return &m_p;
    }
    // Takes over a reference the caller already owns.
    void Attach(T* p) {
        Release();
        m_p = p;
    }
    void Release() {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    void Swap(CComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    template <class Q>
    HRESULT QueryInterface(REFIID iid, CComPtr<Q>* out) const {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(iid, reinterpret_cast<void**>(out->Receive()));
    }

private:
    T* m_p;
};

// A BSTR freed with SysFreeString.
class CBstr {
public:
    CBstr() : m_text(nullptr) {}
    explicit CBstr(const wchar_t* text) : m_text(text ? ::SysAllocString(text) : nullptr) {}
    CBstr(const CBstr& other)
        : m_text(other.m_text ? ::SysAllocStringLen(other.m_text, ::SysStringLen(other.m_text)) : nullptr) {}
    CBstr& operator=(const CBstr& other) {
        CBstr copy(other);
        std::swap(m_text, copy.m_text);
        return *this;
    }
    ~CBstr() { ::SysFreeString(m_text); }

    BSTR Get() const { return m_text; }
    BSTR* Receive() {
        ::SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }
    UINT Length() const { return m_text ? ::SysStringLen(m_text) : 0; }

private:
    BSTR m_text;
};

// A VARIANT cleared with VariantClear.
class CVariant {
public:
    CVariant() { ::VariantInit(&m_value); }
    ~CVariant() { ::VariantClear(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    VARIANT* Receive() {
        ::VariantClear(&m_value);
        return &m_value;
    }
    const VARIANT& Get() const { return m_value; }

private:
    VARIANT m_value;
};
