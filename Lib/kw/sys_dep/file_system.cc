// The parts of file_system.h built on lookUpFile(), the same on every
// platform.
#include <cerrno>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/file_system.h"

namespace kw::sys_dep {

std::optional<FileIdentity> fileIdentity(const std::string& name) {
  const std::optional<FileStatus> status = lookUpFile(name, true);
  if (!status) return std::nullopt;
  return status->identity;
}

FileStatus fileStatus(const std::string& name, bool followLinks, const std::string& reportName) {
  if (const std::optional<FileStatus> status = lookUpFile(name, followLinks)) return *status;
  if (errno == ENOENT || errno == ENOTDIR) return FileStatus();
  throw err::IOError(reportName);
}

}  // namespace kw::sys_dep
