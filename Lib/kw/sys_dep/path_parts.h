// What the platforms' path rules (path_rules_*.cc) share: a path taken
// apart at the separators of the platform's rules. Not for use outside
// Lib/kw/sys_dep/.
#ifndef KW_SYS_DEP_PATH_PARTS_H_
#define KW_SYS_DEP_PATH_PARTS_H_

#include <string>
#include <string_view>
#include <vector>

namespace kw::sys_dep {

// The parts of `path` between its separators, empty ones included
// ("/a//b" gives "", "a", "", "b"). The views point into `path`.
std::vector<std::string_view> partsBetweenSeparators(std::string_view path);

// The parts of `path` after its root (rootLength()) without "." and empty
// parts, each ".." removing the part before it and never climbing above
// the root. The views point into `path`.
std::vector<std::string_view> normalisedParts(std::string_view path);

// The relative path from the folder `folder` to `target`, both absolute on
// one root: ".." for each of the folder's parts after the ones they share
// (compared by samePath()), then the rest of `target`'s, each followed by
// `separator` but the last; "." when the two are the same.
std::string relativePathOfParts(std::string_view folder, std::string_view target, char separator);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_PATH_PARTS_H_
