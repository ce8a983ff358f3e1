// Playlists in the system's legacy code page. Windows players write M3U
// files in the ANSI code page of the machine (Windows-1252 in Western
// Europe, 932 in Japan); everywhere else names are bytes, UTF-8 as a rule.
#ifndef KW_SYS_DEP_CODE_PAGE_H_
#define KW_SYS_DEP_CODE_PAGE_H_

#include <optional>
#include <string>
#include <string_view>

namespace kw::sys_dep {

// Whether a playlist here may be written in the ANSI code page: true on
// Windows, false on POSIX.
bool hasAnsiPlaylists();

// `text`, written in the ANSI code page, as UTF-8. POSIX: `text` itself.
std::string fromAnsiCodePage(std::string_view text);

// `utf8` in the ANSI code page: nothing when one of its characters has no
// place there (`exact`), or '?' for each such character (not `exact`).
// POSIX: `utf8` itself.
std::optional<std::string> toAnsiCodePage(std::string_view utf8, bool exact = true);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_CODE_PAGE_H_
