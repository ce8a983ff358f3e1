// The Windows side of folder_listing.h: FindFirstFileExW, wide names.
#include <windows.h>

#include <cerrno>

#include "Lib/kw/sys_dep/folder_listing.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

ItemKind kindOf(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ItemKind::kUnknown;  // a link or a junction
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ItemKind::kDirectory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return ItemKind::kOther;
  return ItemKind::kRegular;
}

}  // namespace

std::optional<FolderListing> listFolder(const std::string& folder) {
  // A folder that is none gives "not found" for its pattern: ask what it is.
  const DWORD attributes = GetFileAttributesW(win32::systemPath(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    win32::setErrnoFromLastError();
    return std::nullopt;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = ENOTDIR;
    return std::nullopt;
  }
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(win32::systemPath(joinedPath(folder, "*")).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  FolderListing listing;
  if (search == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return listing;  // a drive's empty root
    win32::setErrnoFromLastError();
    return std::nullopt;
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") listing.items.push_back({win32::utf8Of(name), kindOf(found.dwFileAttributes)});
  } while (FindNextFileW(search, &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) listing.error = win32::errnoOf(GetLastError());
  FindClose(search);
  return listing;
}

}  // namespace kw::sys_dep
