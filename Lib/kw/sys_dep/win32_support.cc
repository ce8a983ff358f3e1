#include "Lib/kw/sys_dep/win32_support.h"

#include <cerrno>

#include "Lib/kw/sys_dep/path_rules.h"

namespace kw::sys_dep::win32 {

std::wstring wideOf(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string utf8Of(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring systemPath(std::string_view name) {
  std::wstring wide = wideOf(name);
  constexpr size_t kShortLimit = MAX_PATH - 12;  // CreateDirectoryW's limit, the tightest
  const bool absolute = wide.starts_with(L"\\\\") ||
                        (wide.size() >= 3 && wide[1] == L':' && (wide[2] == L'\\' || wide[2] == L'/'));
  if (wide.starts_with(L"\\\\?\\") || (absolute && wide.size() < kShortLimit)) return wide;
  // A short relative name may still lead below a long working folder.
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return wide;
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
  if (full.size() < kShortLimit || full.starts_with(L"\\\\.\\")) return wide;  // "NUL" stays a device
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    default:
      return EIO;
  }
}

void setErrnoFromLastError() { errno = errnoOf(GetLastError()); }

void setErrnoFromLastError(std::string_view name) {
  const DWORD error = GetLastError();
  errno = errnoOf(error);
  if (error != ERROR_PATH_NOT_FOUND && error != ERROR_DIRECTORY) return;
  // The nearest part of the path that exists tells.
  for (std::string folder = folderOf(name);; folder = folderOf(folder)) {
    const DWORD attributes = GetFileAttributesW(systemPath(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) errno = ENOTDIR;
      break;
    }
    if (folderOf(folder) == folder) break;
  }
  SetLastError(error);
}

}  // namespace kw::sys_dep::win32
