// The removal steps are called at their places in the sequence; until the
// deletion rules are in, they remove nothing.
#include "engine/file_removal.h"

namespace {

bool IsValidPath(const std::wstring& path) { return !path.empty() && path.size() < 260; }

}  // namespace

bool DeleteTreeOrPending(const std::wstring& folder) { return IsValidPath(folder); }
void RemoveFilesByRegistryList(const std::wstring&, const wchar_t*, LockedItemList&) {}
bool SweepTmpFiles(const std::wstring& folder, const wchar_t* extension) {
    return IsValidPath(folder) && extension && *extension;
}
bool ScheduleLockedItems(LockedItemList& locked, const std::wstring&) {
    locked.clear();
    return true;
}
