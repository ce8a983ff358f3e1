#include <filesystem>
#include <system_error>

#include "Lib/kw/sys_dep/program_file.h"

namespace kw::sys_dep {

std::string runningProgramFile() {
  std::error_code error;
  const std::filesystem::path image = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : image.string();
}

}  // namespace kw::sys_dep
