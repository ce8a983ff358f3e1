// The Windows side of code_page.h: CP_ACP, the code page of the machine.
#include <windows.h>

#include "Lib/kw/sys_dep/code_page.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {

bool hasAnsiPlaylists() { return true; }

std::string fromAnsiCodePage(std::string_view text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return win32::utf8Of(wide);
}

// No best fit: an "ä" that the code page lacks must not quietly become "a"
// and name another file.
std::optional<std::string> toAnsiCodePage(std::string_view utf8, bool exact) {
  const std::wstring wide = win32::wideOf(utf8);
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  BOOL lost = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lost);
  if (exact && lost) return std::nullopt;
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace kw::sys_dep
