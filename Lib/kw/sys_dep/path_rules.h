// How this platform spells the paths of files: which paths are absolute,
// how a relative one is taken against a folder, how one file is named
// relative to another, and when two paths name one file. Text work only:
// nothing here asks the file system.
//
// POSIX: '/' separates, and a path starting with it is absolute. Paths are
// bytes and compare as they are. A path holding '\' or starting with a
// drive letter is another platform's ("foreign"): it names no file here.
// Windows: '\' and '/' both separate. "C:\x" and the UNC name
// "\\server\share\x" are absolute; "\x" lies on the drive of the folder it
// is taken against; "C:x" is relative to a working folder of drive C: that
// only the program that wrote it knew. Names compare as Windows compares
// them: letter case ignored (its ordinal comparison), either separator.
#ifndef KW_SYS_DEP_PATH_RULES_H_
#define KW_SYS_DEP_PATH_RULES_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kw::sys_dep {

enum class PathAnchor {
  kAbsolute,
  kRelative,       // to a folder; on Windows also "\x", on the folder's drive
  kForeign,        // POSIX only: a Windows path, kept and compared as written
  kDriveRelative,  // Windows only: "C:x", which names no file for certain
};

// The anchor of `path`, a path that is not empty and no URI.
PathAnchor anchorOf(std::string_view path);

// Whether `c` separates the parts of a path.
bool isSeparator(char c);

// The position of the last separator in `path`; npos when there is none.
std::size_t lastSeparator(std::string_view path);

// The separator a path written in place of `written` uses: the first one
// `written` uses, else the system's own ('\' on Windows). POSIX: '/'.
char separatorOf(std::string_view written);

// The length of the root `path` starts with: "/" on POSIX; on Windows
// "C:\", "\\server\share\" (the last separator only when there), "\" and
// "C:" for the two relative forms; 0 for a path without one.
std::size_t rootLength(std::string_view path);

// The folder of the file named `path`: the part before its last separator,
// with the root kept whole ("/x" gives "/", "C:\x" gives "C:\"); "." when
// `path` has no separator.
std::string folderOf(std::string_view path);

// `name` taken against the folder `folder` as text: `name` itself when it
// is absolute; on Windows "\x" goes onto the root of `folder`; otherwise
// `folder`, one separator (the system's, unless `folder` ends in one) and
// `name`.
std::string joinedPath(std::string_view folder, std::string_view name);

// The absolute `path` without "." and empty parts, each ".." removing the
// part before it (never climbing above the root); links are not followed.
// POSIX: "/" and the parts joined by '/'. Windows: the root and the parts,
// each separator written '\'.
std::string normalisedPath(std::string_view absolutePath);

// The relative path from the absolute normalised folder `folder` to the
// absolute normalised path `target`, its parts joined by `separator`: ".."
// for each level to climb, then the rest of `target`; "." when the two are
// equal. Nothing when they have different roots (Windows drives or
// shares). Parts compare as samePath() compares.
std::optional<std::string> relativePathBetween(std::string_view folder, std::string_view target, char separator);

// `path` with letter case and the kind of separator made irrelevant, for
// comparisons that must never miss two names of one file: POSIX turns
// ASCII letters into lower case; Windows upper-cases as its ordinal
// comparison does and writes each '/' as '\'. A text that is not UTF-8 has
// its ASCII letters changed only.
std::string caseFolded(std::string_view path);

// `path` as this platform compares names: the path itself on POSIX,
// caseFolded() on Windows. `storage` holds a changed form.
std::string_view comparedName(std::string_view path, std::string& storage);

// Whether `a` and `b` are the same name on this platform (comparedName).
bool samePath(std::string_view a, std::string_view b);

// The local path a file:// URI names, given its decoded path: the path
// itself on POSIX; on Windows a drive path "C:/x" is "C:\x".
std::string pathOfFileUri(std::string decoded);

// How a file:// URI spells the local path `path`: on Windows the drive that
// starts it ("C:"), which stays as it is, and the rest with '/' for each
// '\', to be percent-encoded ("file:///C:/My%20Music"); on POSIX no drive
// and the path itself, every byte of a Windows path's "C:\" escaped.
struct UriSpelling {
  std::string drive;
  std::string rest;
};
UriSpelling fileUriSpelling(std::string_view path);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_PATH_RULES_H_
