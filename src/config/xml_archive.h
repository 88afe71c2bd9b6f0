// A read-only wrapper over the MSXML document object model: a loaded
// document, lists of elements found by a path, and elements with typed
// attribute reads and defaults.
#pragma once

#include <windows.h>
#include <msxml.h>

#include <string>

#include "base/com_ptr.h"

class CXMLArchiveItem;
class CXMLArchiveItemList;

// A loaded XML document.
class CXMLArchive {
public:
    CXMLArchive() = default;
    virtual ~CXMLArchive() = default;

    // Loads the file synchronously, replacing any loaded document. A missing
    // file or a failed load gives E_FAIL; failing to create the DOM gives its
    // error. Either way no document is loaded afterwards.
    HRESULT Open(const wchar_t* path);
    bool IsLoaded() const { return static_cast<bool>(m_document); }

    // The elements a path names: "A/B/C" is the first element A of the
    // document, its first descendant B at any depth, then every descendant C
    // of that. Components split at "/" and "\"; names match exactly. A path
    // of one component, or of more than 2048 characters, gives the empty list.
    CXMLArchiveItemList GetItemList(const wchar_t* path) const;
    // The first element of GetItemList(path), or the empty item.
    CXMLArchiveItem GetItem(const wchar_t* path) const;

private:
    CComPtr<IXMLDOMDocument> m_document;
    CBstr m_path;
};

// A list of elements.
class CXMLArchiveItemList {
public:
    CXMLArchiveItemList() = default;
    explicit CXMLArchiveItemList(const CComPtr<IXMLDOMNodeList>& list);
    virtual ~CXMLArchiveItemList() = default;

    // The list every failure gives: no elements.
    static const CXMLArchiveItemList& Empty();

    long GetCount() const { return m_count; }
    // The element at a 0-based index; the empty item when out of range, not
    // an element, or on a DOM error.
    CXMLArchiveItem GetItem(long index) const;
    // The descendants named `name` of the element at the index.
    CXMLArchiveItemList GetChildList(long index, const wchar_t* name) const;

private:
    long m_count = 0;
    CComPtr<IXMLDOMNodeList> m_list;
};

// One element. An item without an element answers every read with its
// default.
class CXMLArchiveItem {
public:
    CXMLArchiveItem() = default;
    CXMLArchiveItem(const CComPtr<IXMLDOMDocument>& document, const CComPtr<IXMLDOMElement>& element,
                    int depth);
    virtual ~CXMLArchiveItem() = default;

    // The item every failure gives.
    static const CXMLArchiveItem& Empty();

    bool IsValid() const { return m_document && m_element; }
    // Number of ancestors above the element.
    int GetDepth() const { return m_depth; }
    const CComPtr<IXMLDOMElement>& Element() const { return m_element; }

    // True when the element answered (an absent attribute is answered with a
    // null variant); false for an invalid item or an empty name.
    bool GetAttribute(const wchar_t* name, VARIANT* value) const;
    // 1 when the attribute is present as text, copied to *value; otherwise 0
    // and *value is the default (null means the empty string).
    int GetAttributeString(const wchar_t* name, std::wstring* value,
                           const wchar_t* defaultValue = nullptr) const;
    // Stores the default, then, when the attribute is present as text, its
    // value (ParseXmlInt) and returns 1; 0 when absent.
    int GetAttributeInt(const wchar_t* name, int* value, int defaultValue = 0) const;

private:
    CComPtr<IXMLDOMDocument> m_document;
    CComPtr<IXMLDOMElement> m_element;
    int m_depth = 0;
};

// The integer form of attributes: leading blanks and tabs skipped; an empty
// rest gives 0; a rest of 3 to 10 characters starting "0x" or "0X" is read as
// hexadecimal up to the first non-hex digit; anything else as a signed
// decimal number up to the first non-digit.
int ParseXmlInt(const wchar_t* text);
