// Windows only: the conversions every Win32 side of this layer needs. Names
// are UTF-8 inside the program and UTF-16 at the system's wide calls.
#ifndef KW_SYS_DEP_WIN32_SUPPORT_H_
#define KW_SYS_DEP_WIN32_SUPPORT_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace kw::sys_dep::win32 {

// `utf8` as UTF-16; a byte that is not part of UTF-8 becomes U+FFFD.
std::wstring wideOf(std::string_view utf8);
// `wide` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8Of(std::wstring_view wide);

// `name` (UTF-8) as the wide name the file calls take. A name too long for
// the system's classic limit (MAX_PATH, less room for a folder's 8.3 file)
// is made absolute and given the "\\?\" prefix ("\\?\UNC\" for a UNC name),
// which takes names of any length, so that deep music folders work without
// the long-path setting of Windows 10. A name that has the prefix already
// is taken as it is.
std::wstring systemPath(std::string_view name);

// The errno value that stands for the Win32 error `error`, so that reports
// carry the C library's text, as on Linux (EIO for errors without a match).
int errnoOf(DWORD error);
// Sets errno from GetLastError().
void setErrnoFromLastError();
// The same for a call on the file `name`: a path that is not found because
// a folder part of it is a file gives ENOTDIR ("Not a directory"), as on
// POSIX, where Windows says only that the path was not found.
void setErrnoFromLastError(std::string_view name);

}  // namespace kw::sys_dep::win32

#endif  // KW_SYS_DEP_WIN32_SUPPORT_H_
