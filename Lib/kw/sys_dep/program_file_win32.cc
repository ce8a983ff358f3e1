#include <windows.h>

#include "Lib/kw/sys_dep/program_file.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {

std::string runningProgramFile() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return win32::utf8Of(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);  // cut short: the name is longer
  }
}

}  // namespace kw::sys_dep
