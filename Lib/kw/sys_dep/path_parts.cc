#include "Lib/kw/sys_dep/path_parts.h"

#include "Lib/kw/sys_dep/path_rules.h"

namespace kw::sys_dep {

std::vector<std::string_view> partsBetweenSeparators(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = start;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    parts.push_back(path.substr(start, end - start));
    if (end == path.size()) return parts;
    start = end + 1;
  }
}

std::vector<std::string_view> normalisedParts(std::string_view path) {
  std::vector<std::string_view> kept;
  for (const std::string_view part : partsBetweenSeparators(path.substr(rootLength(path)))) {
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!part.empty() && part != ".") {
      kept.push_back(part);
    }
  }
  return kept;
}

std::string relativePathOfParts(std::string_view folder, std::string_view target, char separator) {
  const std::vector<std::string_view> from = normalisedParts(folder);
  const std::vector<std::string_view> to = normalisedParts(target);
  std::size_t shared = 0;
  while (shared < from.size() && shared < to.size() && samePath(from[shared], to[shared])) ++shared;
  std::string result;
  for (std::size_t k = shared; k < from.size(); ++k) (result += "..") += separator;
  for (std::size_t k = shared; k < to.size(); ++k) (result += to[k]) += separator;
  if (result.empty()) return ".";
  result.pop_back();
  return result;
}

}  // namespace kw::sys_dep
