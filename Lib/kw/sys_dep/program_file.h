// The file the running program was started from.
#ifndef KW_SYS_DEP_PROGRAM_FILE_H_
#define KW_SYS_DEP_PROGRAM_FILE_H_

#include <string>

namespace kw::sys_dep {

// The absolute name of the running program's executable, as the system
// knows it (Linux: /proc/self/exe; Windows: GetModuleFileNameW); "" when the
// system cannot tell. Never throws.
std::string runningProgramFile();

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_PROGRAM_FILE_H_
