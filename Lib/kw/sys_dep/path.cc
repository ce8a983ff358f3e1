// The POSIX side of path.h; path_win32.cc is the Windows side and
// path_text.cc holds the text work both share.
#include "Lib/kw/sys_dep/path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path_parts.h"
#include "Lib/kw/sys_dep/path_rules.h"

namespace kw::sys_dep {
namespace {

// getcwd into a buffer that grows until the directory fits.
std::string workingDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (getcwd(buffer.data(), buffer.size())) return std::string(buffer.c_str());
    if (errno != ERANGE) throw err::IOError("getcwd");
    buffer.resize(buffer.size() * 2);
  }
}

// The components of an absolute path after its root, empty ones included.
std::vector<std::string> componentsOf(const std::string& path) {
  if (path.empty()) return {};
  const std::vector<std::string_view> parts = partsBetweenSeparators(std::string_view(path).substr(1));
  return std::vector<std::string>(parts.begin(), parts.end());
}

std::string joined(const std::vector<std::string>& parts, size_t from, size_t to) {
  std::string result;
  for (size_t k = from; k < to; ++k) result += "/" + parts[k];
  return result;
}

}  // namespace

std::optional<std::string> realPath(const std::string& path) {
  char* resolved = ::realpath(path.empty() ? "/" : path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

std::string resolvedAsKernel(const std::string& path) {
  const std::vector<std::string> parts = componentsOf(path);
  size_t lastUp = parts.size();
  for (size_t k = parts.size(); k-- > 0;) {
    if (parts[k] == "..") {
      lastUp = k;
      break;
    }
  }
  if (lastUp == parts.size()) return normalisedPath(path);
  for (size_t length = lastUp;; --length) {
    if (const std::optional<std::string> real = realPath(joined(parts, 0, length))) {
      return normalisedPath(*real + joined(parts, length, parts.size()));
    }
    if (length == 0) return normalisedPath(path);
  }
}

std::string absolutePath(const std::string& name) {
  return name.starts_with('/') ? name : joinedPath(toFullPath(std::string()), name);
}

std::string toFullPath(const std::string& path, bool /*windowsForm*/) {
  if (!path.empty() && path[0] == '/') return normalisedPath(path);
  return normalisedPath(workingDirectory() + "/" + path);
}

bool isRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string currentDirectory() { return withDriveLetter(workingDirectory()); }

char listSeparatorOf(const std::string& list) { return list.find(';') != std::string::npos ? ';' : ':'; }

}  // namespace kw::sys_dep
