#include "config/xml_archive.h"

#include <ole2.h>

#include <climits>
#include <cwchar>
#include <vector>

namespace {

const CLSID kClsidDomDocument = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDomElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

const size_t kMaxPathLength = 2048;

bool FileExists(const wchar_t* path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
    std::vector<std::wstring> components;
    std::wstring current;
    for (wchar_t c : path) {
        if (c == L'/' || c == L'\\') {
            if (!current.empty()) components.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) components.push_back(current);
    return components;
}

// The descendants named `name` of the first element of the list.
CComPtr<IXMLDOMNodeList> DescendantsOfFirst(const CComPtr<IXMLDOMNodeList>& list, const std::wstring& name) {
    CComPtr<IXMLDOMNodeList> result;
    CComPtr<IXMLDOMNode> node;
    if (!list || list->get_item(0, node.Receive()) != S_OK || !node) return result;
    CComPtr<IXMLDOMElement> element;
    if (FAILED(node.QueryInterface(kIidDomElement, &element)) || !element) return result;
    CBstr tag(name.c_str());
    if (FAILED(element->getElementsByTagName(tag.Get(), result.Receive()))) result.Release();
    return result;
}

}  // namespace

// ---------------------------------------------------------------- document

HRESULT CXMLArchive::Open(const wchar_t* path) {
    m_document.Release();
    m_path = CBstr(path);

    CComPtr<IUnknown> unknown;
    HRESULT hr = ::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_ALL, IID_IUnknown,
                                    reinterpret_cast<void**>(unknown.Receive()));
    if (FAILED(hr)) return hr;
    hr = ::OleRun(unknown.Get());
    if (FAILED(hr)) return hr;
    CComPtr<IXMLDOMDocument> document;
    hr = unknown.QueryInterface(kIidDomDocument, &document);
    if (FAILED(hr)) return hr;
    if (!document) return E_NOINTERFACE;

    document->put_preserveWhiteSpace(VARIANT_TRUE);
    document->put_async(VARIANT_FALSE);

    if (!path || !*path || !FileExists(path)) return E_FAIL;
    VARIANT source;
    ::VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = m_path.Get();  // borrowed; not cleared
    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = document->load(source, &loaded);
    if (FAILED(hr) || loaded != VARIANT_TRUE) return E_FAIL;

    m_document = document;
    return S_OK;
}

CXMLArchiveItemList CXMLArchive::GetItemList(const wchar_t* path) const {
    if (!path || !m_document) return CXMLArchiveItemList::Empty();
    std::wstring text(path);
    if (text.empty() || text.size() > kMaxPathLength) return CXMLArchiveItemList::Empty();
    std::vector<std::wstring> components = SplitPath(text);
    if (components.size() < 2) return CXMLArchiveItemList::Empty();

    CComPtr<IXMLDOMNodeList> list;
    CBstr first(components[0].c_str());
    if (FAILED(m_document->getElementsByTagName(first.Get(), list.Receive())) || !list)
        return CXMLArchiveItemList::Empty();
    for (size_t i = 1; i < components.size(); ++i) {
        list = DescendantsOfFirst(list, components[i]);
        if (!list) return CXMLArchiveItemList::Empty();
    }
    return CXMLArchiveItemList(list);
}

CXMLArchiveItem CXMLArchive::GetItem(const wchar_t* path) const {
    CXMLArchiveItemList list = GetItemList(path);
    if (list.GetCount() <= 0) return CXMLArchiveItem::Empty();
    return list.GetItem(0);
}

// -------------------------------------------------------------------- list

CXMLArchiveItemList::CXMLArchiveItemList(const CComPtr<IXMLDOMNodeList>& list) {
    long count = 0;
    if (list && SUCCEEDED(list->get_length(&count)) && count > 0) {
        m_count = count;
        m_list = list;
    }
}

const CXMLArchiveItemList& CXMLArchiveItemList::Empty() {
    static const CXMLArchiveItemList empty;
    return empty;
}

CXMLArchiveItem CXMLArchiveItemList::GetItem(long index) const {
    if (!m_list || index < 0 || index >= m_count) return CXMLArchiveItem::Empty();
    CComPtr<IXMLDOMNode> node;
    if (m_list->get_item(index, node.Receive()) != S_OK || !node) return CXMLArchiveItem::Empty();
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT) return CXMLArchiveItem::Empty();
    CComPtr<IXMLDOMElement> element;
    if (FAILED(node.QueryInterface(kIidDomElement, &element)) || !element) return CXMLArchiveItem::Empty();
    CComPtr<IXMLDOMDocument> document;
    if (FAILED(node->get_ownerDocument(document.Receive())) || !document) return CXMLArchiveItem::Empty();

    int depth = 0;
    CComPtr<IXMLDOMNode> current = node;
    for (;;) {
        CComPtr<IXMLDOMNode> parent;
        if (current->get_parentNode(parent.Receive()) != S_OK || !parent) break;
        ++depth;
        current = parent;
    }
    return CXMLArchiveItem(document, element, depth);
}

CXMLArchiveItemList CXMLArchiveItemList::GetChildList(long index, const wchar_t* name) const {
    if (!name || !*name) return Empty();
    CXMLArchiveItem item = GetItem(index);
    if (!item.IsValid()) return Empty();
    CComPtr<IXMLDOMNodeList> list;
    CBstr tag(name);
    if (FAILED(item.Element()->getElementsByTagName(tag.Get(), list.Receive())) || !list) return Empty();
    return CXMLArchiveItemList(list);
}

// -------------------------------------------------------------------- item

CXMLArchiveItem::CXMLArchiveItem(const CComPtr<IXMLDOMDocument>& document,
                                 const CComPtr<IXMLDOMElement>& element, int depth)
    : m_document(document), m_element(element), m_depth(depth) {}

const CXMLArchiveItem& CXMLArchiveItem::Empty() {
    static const CXMLArchiveItem empty;
    return empty;
}

bool CXMLArchiveItem::GetAttribute(const wchar_t* name, VARIANT* value) const {
    if (!value) return false;
    ::VariantInit(value);
    if (!IsValid() || !name || !*name) return false;
    CBstr attribute(name);
    return SUCCEEDED(m_element->getAttribute(attribute.Get(), value));
}

int CXMLArchiveItem::GetAttributeString(const wchar_t* name, std::wstring* value,
                                        const wchar_t* defaultValue) const {
    if (!value) return 0;
    CVariant attribute;
    if (GetAttribute(name, attribute.Receive()) && attribute.Get().vt == VT_BSTR) {
        BSTR text = attribute.Get().bstrVal;
        value->assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
        return 1;
    }
    value->assign(defaultValue ? defaultValue : L"");
    return 0;
}

int CXMLArchiveItem::GetAttributeInt(const wchar_t* name, int* value, int defaultValue) const {
    if (!value) return 0;
    *value = defaultValue;
    CVariant attribute;
    if (GetAttribute(name, attribute.Receive()) && attribute.Get().vt == VT_BSTR) {
        *value = ParseXmlInt(attribute.Get().bstrVal);
        return 1;
    }
    return 0;
}

// ----------------------------------------------------------------- integers

int ParseXmlInt(const wchar_t* text) {
    if (!text) return 0;
    while (*text == L' ' || *text == L'\t') ++text;
    size_t length = std::wcslen(text);
    if (length == 0) return 0;

    if (length >= 3 && length <= 10 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        unsigned int result = 0;
        for (const wchar_t* p = text + 2; *p; ++p) {
            unsigned int digit;
            if (*p >= L'0' && *p <= L'9') digit = *p - L'0';
            else if (*p >= L'a' && *p <= L'f') digit = *p - L'a' + 10;
            else if (*p >= L'A' && *p <= L'F') digit = *p - L'A' + 10;
            else break;
            result = (result << 4) | digit;
        }
        return static_cast<int>(result);
    }

    bool negative = false;
    if (*text == L'+' || *text == L'-') negative = (*text++ == L'-');
    long long result = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        result = result * 10 + (*text - L'0');
        if (result > static_cast<long long>(INT_MAX) + 1) break;  // clamped below
    }
    if (negative) result = -result;
    if (result > INT_MAX) return INT_MAX;
    if (result < INT_MIN) return INT_MIN;
    return static_cast<int>(result);
}
