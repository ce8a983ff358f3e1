// The POSIX side of path_rules.h: '/' alone, bytes as they are.
#include <vector>

#include "Lib/kw/sys_dep/path_rules.h"

namespace kw::sys_dep {
namespace {

bool hasDriveLetter(std::string_view path) {
  const bool letter = !path.empty() && ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
  return letter && path.size() >= 2 && path[1] == ':';
}

// The parts of `path` between '/' separators, empty ones included.
std::vector<std::string_view> partsOf(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('/', start);
    parts.push_back(path.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::vector<std::string_view> normalisedParts(std::string_view absolutePath) {
  std::vector<std::string_view> kept;
  for (std::string_view part : partsOf(absolutePath)) {
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!part.empty() && part != ".") {
      kept.push_back(part);
    }
  }
  return kept;
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
  const std::vector<std::string_view> from = normalisedParts(folder);
  const std::vector<std::string_view> to = normalisedParts(target);
  std::size_t shared = 0;
  while (shared < from.size() && shared < to.size() && from[shared] == to[shared]) ++shared;
  std::string result;
  for (std::size_t k = shared; k < from.size(); ++k) (result += "..") += separator;
  for (std::size_t k = shared; k < to.size(); ++k) (result += to[k]) += separator;
  if (result.empty()) return ".";
  result.pop_back();
  return result;
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
