#include "playlist/path_forms.h"

#include <utility>
#include <vector>

#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
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

bool isEscapeAt(std::string_view text, std::size_t k) {
  return text[k] == '%' && k + 2 < text.size() && hexValue(text[k + 1]) >= 0 && hexValue(text[k + 2]) >= 0;
}

// The length of the well-formed UTF-8 sequence at `k`; 0 when there is none
// (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t utf8Length(std::string_view text, std::size_t k) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned first = byte(k);
  if (first < 0x80) return 1;
  std::size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the second byte
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  }
  if (length == 0 || k + length > text.size() || byte(k + 1) < low || byte(k + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(k + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

void appendEscaped(std::string& out, char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

bool hasDriveLetter(std::string_view path) {
  return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':';
}

// The length of the scheme `path` starts with, before "://"; 0 for none.
std::size_t schemeLength(std::string_view path) {
  if (path.empty() || !isAsciiLetter(path[0])) return 0;
  for (std::size_t k = 1; k < path.size(); ++k) {
    const char c = path[k];
    if (c == ':') return k >= 2 && path.substr(k).starts_with("://") ? k : 0;
    if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

}  // namespace

bool isUri(std::string_view path) { return schemeLength(path) != 0; }

bool isUrl(std::string_view path) { return isUri(path) && !startsWithIgnoringCase(path, "file://"); }

std::string uriScheme(std::string_view path) {
  std::string scheme(path.substr(0, schemeLength(path)));
  for (char& c : scheme) c = asciiLower(c);
  return scheme;
}

bool isRelativePath(std::string_view path) {
  return !path.empty() && !isUri(path) && sys_dep::anchorOf(path) == sys_dep::PathAnchor::kRelative;
}

bool isDriveRelativePath(std::string_view path) {
  return !path.empty() && !isUri(path) && sys_dep::anchorOf(path) == sys_dep::PathAnchor::kDriveRelative;
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
  // "/C:/x" is the URI spelling of the drive path "C:/x" ("C:\x" when the
  // backslashes are escaped, as fileUri writes them on POSIX).
  if (hasDriveLetter(std::string_view(path).substr(1)) &&
      (path.size() == 3 || path[3] == '/' || path[3] == '\\'))
    path.erase(0, 1);
  return sys_dep::pathOfFileUri(std::move(path));
}

std::string fileUri(std::string_view path) {
  const sys_dep::UriSpelling spelled = sys_dep::fileUriSpelling(path);
  std::string uri = "file://";
  if (!path.starts_with('/')) uri += '/';
  uri += spelled.drive;
  uri += percentEncoded(spelled.rest);
  return uri;
}

std::string percentEncoded(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (isUnreserved(c) || c == '/') {
      result += c;
    } else {
      appendEscaped(result, c);
    }
  }
  return result;
}

std::string minimallyEncoded(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t k = 0; k < text.size();) {
    const auto byte = static_cast<unsigned char>(text[k]);
    const std::size_t length = utf8Length(text, k);
    if (length == 0 || byte < 0x20 || byte == 0x7F || isEscapeAt(text, k)) {
      appendEscaped(result, text[k]);
      ++k;
    } else {
      result.append(text.substr(k, length));
      k += length;
    }
  }
  return result;
}

bool holdsPercentEscape(std::string_view text) {
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (isEscapeAt(text, k)) return true;
  }
  return false;
}

std::string percentDecoded(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (isEscapeAt(text, k)) {
      result += static_cast<char>(hexValue(text[k + 1]) * 16 + hexValue(text[k + 2]));
      k += 2;
    } else {
      result += text[k];
    }
  }
  return result;
}

std::string normalisedPath(std::string_view absolutePath) { return sys_dep::normalisedPath(absolutePath); }

std::string resolvedPath(std::string_view folder, std::string_view relative) {
  return normalisedPath(sys_dep::joinedPath(folder, relative));
}

std::optional<std::string> relativePath(std::string_view folder, std::string_view target, char separator) {
  return sys_dep::relativePathBetween(folder, target, separator);
}

std::string_view extensionOf(std::string_view fileName) {
  const std::size_t separator = sys_dep::lastSeparator(fileName);
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) return {};
  return fileName.substr(dot);
}

std::string folderOfFile(const std::string& fileName) { return normalisedPath(writtenFolderOfFile(fileName)); }

std::string writtenFolderOfFile(const std::string& fileName) {
  return sys_dep::resolvedAsKernel(sys_dep::folderOf(sys_dep::absolutePath(fileName)));
}

}  // namespace kw
