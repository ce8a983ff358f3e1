#include "playlist/path_forms.h"

#include <vector>

#include "Lib/kw/sys_dep/path.h"
#include "playlist/numbers.h"

namespace kw {
namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool isUnreserved(char c) {
  return isAsciiLetter(c) || isAsciiDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

int hexValue(char c) {
  if (isAsciiDigit(c)) return c - '0';
  const char lower = asciiLower(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool hasDriveLetter(std::string_view path) {
  return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':';
}

// The components of `path` between '/' separators, empty ones included.
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('/', start);
    parts.push_back(path.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::vector<std::string_view> normalisedComponents(std::string_view absolutePath) {
  std::vector<std::string_view> kept;
  for (std::string_view part : components(absolutePath)) {
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!part.empty() && part != ".") {
      kept.push_back(part);
    }
  }
  return kept;
}

}  // namespace

bool isUri(std::string_view path) {
  if (path.empty() || !isAsciiLetter(path[0])) return false;
  for (std::size_t k = 1; k < path.size(); ++k) {
    const char c = path[k];
    if (c == ':') return path.substr(k).starts_with("://");
    if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

bool isRelativePath(std::string_view path) {
  return !path.empty() && path[0] != '/' && path.find('\\') == std::string_view::npos &&
         !hasDriveLetter(path) && !isUri(path);
}

bool isWindowsPath(std::string_view path) {
  return hasDriveLetter(path) || path.find('\\') != std::string_view::npos;
}

PathForm pathFormOf(std::string_view path) {
  if (isRelativePath(path)) return PathForm::kRelative;
  if (fileUriPath(path)) return PathForm::kFileUri;
  return PathForm::kAsIs;
}

std::optional<std::string> fileUriPath(std::string_view uri) {
  if (!startsWithIgnoringCase(uri, "file://")) return std::nullopt;
  std::string_view rest = uri.substr(7);
  if (startsWithIgnoringCase(rest, "localhost/")) rest.remove_prefix(9);
  if (!rest.starts_with('/')) return std::nullopt;
  std::string path = percentDecoded(rest);
  // "/C:/x" is the URI spelling of the drive path "C:/x".
  if (hasDriveLetter(std::string_view(path).substr(1)) &&
      (path.size() == 3 || path[3] == '/'))
    path.erase(0, 1);
  return path;
}

std::string fileUri(std::string_view path) {
  std::string uri = "file://";
  if (!path.starts_with('/')) uri += '/';
  uri += percentEncoded(path);
  return uri;
}

std::string percentEncoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (isUnreserved(c) || c == '/') {
      result += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    }
  }
  return result;
}

std::string percentDecoded(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '%' && k + 2 < text.size() && hexValue(text[k + 1]) >= 0 &&
        hexValue(text[k + 2]) >= 0) {
      result += static_cast<char>(hexValue(text[k + 1]) * 16 + hexValue(text[k + 2]));
      k += 2;
    } else {
      result += text[k];
    }
  }
  return result;
}

std::string normalisedPath(std::string_view absolutePath) {
  std::string result;
  for (std::string_view part : normalisedComponents(absolutePath)) {
    result += '/';
    result += part;
  }
  return result.empty() ? "/" : result;
}

std::string resolvedPath(std::string_view folder, std::string_view relative) {
  std::string joined(folder);
  joined += '/';
  joined += relative;
  return normalisedPath(joined);
}

std::string relativePath(std::string_view folder, std::string_view target) {
  const std::vector<std::string_view> from = normalisedComponents(folder);
  const std::vector<std::string_view> to = normalisedComponents(target);
  std::size_t shared = 0;
  while (shared < from.size() && shared < to.size() && from[shared] == to[shared]) ++shared;
  std::string result;
  for (std::size_t k = shared; k < from.size(); ++k) result += "../";
  for (std::size_t k = shared; k < to.size(); ++k) {
    result += to[k];
    result += '/';
  }
  if (result.empty()) return ".";
  result.pop_back();
  return result;
}

std::string folderOfFile(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return sys_dep::toFullPath(std::string());
  return sys_dep::toFullPath(slash == 0 ? std::string("/") : fileName.substr(0, slash));
}

}  // namespace kw
