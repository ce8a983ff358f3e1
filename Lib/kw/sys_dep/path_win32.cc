// The Windows side of path.h.
#include <windows.h>

#include <cerrno>
#include <optional>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

// Asks `call(buffer, size)` for a text of unknown length, growing the buffer
// as the call asks; an empty result when the call fails.
template <class Call>
std::wstring grown(Call call) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return buffer.substr(0, length);
    buffer.resize(length + 1);
  }
}

std::wstring workingDirectory() {
  const std::wstring directory = grown([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
  if (directory.empty()) {
    win32::setErrnoFromLastError();
    throw err::IOError("getcwd");
  }
  return directory;
}

}  // namespace

char listSeparatorOf(const std::string&) { return ';'; }

std::string toFullPath(const std::string& path, bool /*windowsForm*/) {
  if (path.empty()) return win32::utf8Of(workingDirectory());
  const std::wstring wide = win32::wideOf(path);
  const std::wstring full = grown([&](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(wide.c_str(), size, buffer, nullptr);
  });
  if (full.empty()) {
    win32::setErrnoFromLastError();
    throw err::IOError("getcwd");
  }
  return win32::utf8Of(full);
}

std::string absolutePath(const std::string& name) { return toFullPath(name); }

// The system's own name of the file once it is open: every link and
// junction followed, the letter case as the disk has it.
std::optional<std::string> realPath(const std::string& path) {
  const HANDLE file = CreateFileW(win32::systemPath(path.empty() ? "\\" : path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::wstring real = grown([&](wchar_t* buffer, DWORD size) {
    return GetFinalPathNameByHandleW(file, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  });
  CloseHandle(file);
  if (real.empty()) return std::nullopt;
  if (real.starts_with(L"\\\\?\\UNC\\")) return "\\" + win32::utf8Of(std::wstring_view(real).substr(7));
  if (real.starts_with(L"\\\\?\\")) return win32::utf8Of(std::wstring_view(real).substr(4));
  return win32::utf8Of(real);
}

std::string resolvedAsKernel(const std::string& path) {
  try {
    return toFullPath(path);
  } catch (const err::IOError&) {
    return path;
  }
}

// Opened rather than asked for attributes, so that a link is followed and a
// device name ("NUL", "COM1") is told apart from a file.
bool isRegularFile(const std::string& path) {
  if (path.empty()) return false;
  const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE file = CreateFileW(win32::systemPath(path).c_str(), 0, sharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool regular = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
                       !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(file);
  return regular;
}

std::string currentDirectory() { return win32::utf8Of(workingDirectory()); }

}  // namespace kw::sys_dep
