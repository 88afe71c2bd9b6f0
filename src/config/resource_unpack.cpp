#include "config/resource_unpack.h"

bool CResourceUnpack::Init(HINSTANCE, UINT, const wchar_t*) { return false; }
bool CResourceUnpack::Unpack(std::wstring*) { return false; }
