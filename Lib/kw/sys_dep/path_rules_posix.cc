// The POSIX side of path_rules.h: '/' alone, bytes as they are.
#include "Lib/kw/sys_dep/path_parts.h"
#include "Lib/kw/sys_dep/path_rules.h"

namespace kw::sys_dep {
namespace {

bool hasDriveLetter(std::string_view path) {
  const bool letter = !path.empty() && ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
  return letter && path.size() >= 2 && path[1] == ':';
}

}  // namespace

PathAnchor anchorOf(std::string_view path) {
  if (path.starts_with('/')) return PathAnchor::kAbsolute;
  if (hasDriveLetter(path) || path.find('\\') != std::string_view::npos) return PathAnchor::kForeign;
  return PathAnchor::kRelative;
}

bool isSeparator(char c) { return c == '/'; }

std::size_t lastSeparator(std::string_view path) { return path.rfind('/'); }

char separatorOf(std::string_view) { return '/'; }

std::size_t rootLength(std::string_view path) { return path.starts_with('/') ? 1 : 0; }

std::string folderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

std::string joinedPath(std::string_view folder, std::string_view name) {
  if (name.starts_with('/')) return std::string(name);
  std::string path(folder);
  if (!path.ends_with('/')) path += '/';
  path += name;
  return path;
}

std::string normalisedPath(std::string_view absolutePath) {
  std::string result;
  for (std::string_view part : normalisedParts(absolutePath)) {
    result += '/';
    result += part;
  }
  return result.empty() ? "/" : result;
}

std::optional<std::string> relativePathBetween(std::string_view folder, std::string_view target, char separator) {
  return relativePathOfParts(folder, target, separator);
}

std::string caseFolded(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return folded;
}

std::string_view comparedName(std::string_view path, std::string&) { return path; }

bool samePath(std::string_view a, std::string_view b) { return a == b; }

std::string pathOfFileUri(std::string decoded) { return decoded; }

UriSpelling fileUriSpelling(std::string_view path) { return {"", std::string(path)}; }

}  // namespace kw::sys_dep
