// Typed readers of members of parsed JSON (UTF-8 text). Member keys match
// without regard to the case of ASCII letters; the first match wins.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

struct cJSON;

// The parsed tree, or null for null text or a parse error. The caller frees
// it with cJSON_Delete (or holds it in a JsonTree).
cJSON* ParseJson(const char* text);

struct JsonTreeDeleter {
    void operator()(cJSON* tree) const;
};
typedef std::unique_ptr<cJSON, JsonTreeDeleter> JsonTree;

// The member's integer value when it exists and is a number (the library's
// integer of a fractional number); otherwise defaultValue. A null object or
// a null or empty key gives defaultValue.
int GetJsonInt(const cJSON* object, const char* key, int defaultValue);

// The member's text, unchanged, when it exists and is a string; otherwise
// defaultValue (null counts as empty).
std::string GetJsonString(const cJSON* object, const char* key, const char* defaultValue);

// GetJsonString converted to wide text from the code page (callers pass
// UTF-8, 65001).
std::wstring GetJsonWString(const cJSON* object, const char* key, const wchar_t* defaultValue, UINT codePage);
