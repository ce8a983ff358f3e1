// The process's environment variables, as UTF-8 on every platform.
#ifndef KW_SYS_DEP_ENVIRONMENT_H_
#define KW_SYS_DEP_ENVIRONMENT_H_

#include <optional>
#include <string>

namespace kw::sys_dep {

// The value of `name`; nullopt when it is not set. On Windows it is read
// wide, so a value outside the ANSI code page arrives whole.
std::optional<std::string> environmentVariable(const char* name);

// Sets `name` to `value`, or removes it when `value` is nullopt; child
// processes started later inherit it. Not safe while other threads read the
// environment.
void setEnvironmentVariable(const char* name, const std::optional<std::string>& value);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_ENVIRONMENT_H_
