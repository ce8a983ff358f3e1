#include <stdlib.h>

#include "Lib/kw/sys_dep/environment.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {

std::optional<std::string> environmentVariable(const char* name) {
  const wchar_t* value = _wgetenv(win32::wideOf(name).c_str());
  if (!value) return std::nullopt;
  return win32::utf8Of(value);
}

// The C runtime's copy and the system's block alike, so that both this
// process and the programs it starts see the change. Windows cannot hold an
// empty value: it is removed instead.
void setEnvironmentVariable(const char* name, const std::optional<std::string>& value) {
  const std::wstring wideName = win32::wideOf(name);
  const std::wstring wideValue = value ? win32::wideOf(*value) : std::wstring();
  _wputenv_s(wideName.c_str(), wideValue.c_str());
  SetEnvironmentVariableW(wideName.c_str(), value && !value->empty() ? wideValue.c_str() : nullptr);
}

}  // namespace kw::sys_dep
