// The POSIX side of code_page.h: playlists hold bytes; nothing to convert.
#include "Lib/kw/sys_dep/code_page.h"

namespace kw::sys_dep {

bool hasAnsiPlaylists() { return false; }

std::string fromAnsiCodePage(std::string_view text) { return std::string(text); }

std::optional<std::string> toAnsiCodePage(std::string_view utf8, bool) { return std::string(utf8); }

}  // namespace kw::sys_dep
