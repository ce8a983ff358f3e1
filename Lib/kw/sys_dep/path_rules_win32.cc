// The Windows side of path_rules.h: drives, UNC names, either separator,
// letter case ignored.
#include <windows.h>

#include <vector>

#include "Lib/kw/sys_dep/path_parts.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool hasDrive(std::string_view path) { return path.size() >= 2 && path[1] == ':' && isLetter(path[0]); }

// The end of the part that starts at `from`: its separator, or the end.
std::size_t partEnd(std::string_view path, std::size_t from) {
  while (from < path.size() && !isSeparator(path[from])) ++from;
  return from;
}

// "\\server\share" with the separator after it, when there is one; the
// prefixes "\\?\" and "\\?\UNC\" of long names count with what follows.
std::size_t uncRootLength(std::string_view path) {
  std::size_t start = 2;
  if (path.size() >= 4 && path[2] == '?' && isSeparator(path[3])) {
    const std::string_view rest = path.substr(4);
    if (hasDrive(rest)) return 4 + (rest.size() > 2 && isSeparator(rest[2]) ? 3 : 2);
    if (rest.size() >= 4 && (rest[0] == 'U' || rest[0] == 'u') && isSeparator(rest[3])) start = 8;
  }
  const std::size_t server = partEnd(path, start);
  if (server >= path.size()) return path.size();
  const std::size_t share = partEnd(path, server + 1);
  return share < path.size() ? share + 1 : share;
}

// The root of `path` with '\' for each separator and one at its end.
std::string normalisedRoot(std::string_view path) {
  std::string root(path.substr(0, rootLength(path)));
  for (char& c : root) c = c == '/' ? '\\' : c;
  if (!root.empty() && root.back() != '\\') root += '\\';
  return root;
}

bool isUtf8(std::string_view text) {
  return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

}  // namespace

PathAnchor anchorOf(std::string_view path) {
  if (hasDrive(path)) {
    return path.size() > 2 && isSeparator(path[2]) ? PathAnchor::kAbsolute : PathAnchor::kDriveRelative;
  }
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) return PathAnchor::kAbsolute;
  return PathAnchor::kRelative;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::size_t lastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

char separatorOf(std::string_view written) {
  const std::size_t first = written.find_first_of("\\/");
  return first == std::string_view::npos ? '\\' : written[first];
}

std::size_t rootLength(std::string_view path) {
  if (hasDrive(path)) return path.size() > 2 && isSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) return uncRootLength(path);
  return !path.empty() && isSeparator(path[0]) ? 1 : 0;
}

std::string folderOf(std::string_view path) {
  const std::size_t last = lastSeparator(path);
  const std::size_t root = rootLength(path);
  if (last == std::string_view::npos && root == 0) return ".";
  if (last == std::string_view::npos || last < root) return std::string(path.substr(0, root));
  return std::string(path.substr(0, last));
}

std::string joinedPath(std::string_view folder, std::string_view name) {
  if (anchorOf(name) == PathAnchor::kAbsolute) return std::string(name);
  if (!name.empty() && isSeparator(name[0])) {
    std::string root(folder.substr(0, rootLength(folder)));
    if (!root.empty() && isSeparator(root.back())) root.pop_back();
    return root + std::string(name);
  }
  std::string path(folder);
  if (path.empty() || !isSeparator(path.back())) path += '\\';
  path += name;
  return path;
}

std::string normalisedPath(std::string_view absolutePath) {
  std::string result = normalisedRoot(absolutePath);
  for (std::string_view part : normalisedParts(absolutePath)) {
    if (!result.empty() && result.back() != '\\') result += '\\';
    result += part;
  }
  return result;
}

std::optional<std::string> relativePathBetween(std::string_view folder, std::string_view target, char separator) {
  if (!samePath(normalisedRoot(folder), normalisedRoot(target))) return std::nullopt;
  return relativePathOfParts(folder, target, separator);
}

// LCMapStringEx with the invariant locale upper-cases as CompareStringOrdinal
// does when it ignores case.
std::string caseFolded(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) c = c == '/' ? '\\' : c;
  if (!isUtf8(folded)) {
    for (char& c : folded) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return folded;
  }
  std::wstring wide = win32::wideOf(folded);
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()), wide.data(),
                static_cast<int>(wide.size()), nullptr, nullptr, 0);
  return win32::utf8Of(wide);
}

std::string_view comparedName(std::string_view path, std::string& storage) { return storage = caseFolded(path); }

bool samePath(std::string_view a, std::string_view b) { return a == b || caseFolded(a) == caseFolded(b); }

std::string pathOfFileUri(std::string decoded) {
  if (hasDrive(decoded)) {
    for (char& c : decoded) c = c == '/' ? '\\' : c;
  }
  return decoded;
}

UriSpelling fileUriSpelling(std::string_view path) {
  if (!hasDrive(path)) return {"", std::string(path)};
  std::string rest(path.substr(2));
  for (char& c : rest) c = c == '\\' ? '/' : c;
  return {std::string(path.substr(0, 2)), rest};
}

}  // namespace kw::sys_dep
