#include "base/json_reader.h"

#include <cjson/cJSON.h>

#include "base/text_convert.h"

namespace {

const cJSON* FindMember(const cJSON* object, const char* key) {
    if (!object || !key || !*key) return nullptr;
    return cJSON_GetObjectItem(object, key);
}

}  // namespace

cJSON* ParseJson(const char* text) {
    if (!text) return nullptr;
    return cJSON_Parse(text);
}

void JsonTreeDeleter::operator()(cJSON* tree) const { cJSON_Delete(tree); }

int GetJsonInt(const cJSON* object, const char* key, int defaultValue) {
    const cJSON* member = FindMember(object, key);
    if (!member || !cJSON_IsNumber(member)) return defaultValue;
    return member->valueint;
}

std::string GetJsonString(const cJSON* object, const char* key, const char* defaultValue) {
    const cJSON* member = FindMember(object, key);
    if (!member || !cJSON_IsString(member) || !member->valuestring) return defaultValue ? defaultValue : "";
    return member->valuestring;
}

std::wstring GetJsonWString(const cJSON* object, const char* key, const wchar_t* defaultValue, UINT codePage) {
    const cJSON* member = FindMember(object, key);
    if (!member || !cJSON_IsString(member) || !member->valuestring) return defaultValue ? defaultValue : L"";
    return MultiByteToWide(member->valuestring, codePage);
}
