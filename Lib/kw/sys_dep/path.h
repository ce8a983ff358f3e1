// The directories of a PATH-style list, absolute paths, the current directory
// and the other small file-system queries the program-location step needs.
#ifndef KW_SYS_DEP_PATH_H_
#define KW_SYS_DEP_PATH_H_

#include <optional>
#include <string>
#include <vector>

namespace kw::sys_dep {

// The directories named by a PATH-style list, in list order.
class Path {
 public:
  // From the environment variable PATH; an unset PATH gives no directories.
  Path();
  // From `list`: split at listSeparatorOf(list). Empty pieces are dropped,
  // duplicates kept. A null `list` gives no directories.
  explicit Path(const char* list);
  virtual ~Path();

  // Never holds an empty string.
  std::vector<std::string> directories;

  // The support library's own directory separator; callers use it to tell
  // which form of full path they want.
  static constexpr char pathSeparator = '\\';
};

// The character a PATH-style list is split at: on Windows always ';' (a
// drive letter holds a ':'); elsewhere ';' when `list` holds one, else ':'.
char listSeparatorOf(const std::string& list);

// `path` made absolute: a relative path is taken against the working
// directory, then "." and ".." components and repeated '/' are removed
// lexically (symbolic links are not followed). There is no length limit.
// Only the POSIX form exists on this platform: `windowsForm` is accepted for
// the callers' sake and gives the same result. An empty path gives the
// working directory. Throws kw::err::IOError("getcwd") when the working
// directory cannot be obtained.
// On Windows it is the system's full path of `path` (GetFullPathNameW:
// drive or UNC root, "." and ".." removed, '/' written as '\\').
std::string toFullPath(const std::string& path, bool windowsForm = false);

// `name` made absolute against the working directory as text: POSIX joins
// the two and keeps every "." and "..", so that resolvedAsKernel() can
// still follow the links before a ".."; Windows gives the system's full
// path (GetFullPathNameW: "C:x" and "\x" against the working directory's
// drive, ".." taken as text, as the system takes it). An absolute `name`
// stays as it is on POSIX. Throws kw::err::IOError("getcwd") when the
// working directory cannot be obtained.
std::string absolutePath(const std::string& name);

// The absolute path `path` (which may hold ".", ".." and repeated '/')
// resolved the way the kernel resolves it, for names that may pass through
// symbolic links: without a ".." component it is normalised as text (links
// stay as they are written); otherwise the longest existing part before its
// last ".." is resolved with every link followed, and the rest is joined to
// it as text and normalised. So "l/../music" with a link "l" -> "real/lists"
// names "real/music", as opening it would. Never throws; a path that does
// not exist at all is normalised as text. On Windows, where ".." is taken
// as text by the system too, it is toFullPath(path).
std::string resolvedAsKernel(const std::string& path);

// The absolute path of the existing file or folder `path` with every
// symbolic link, "." and ".." resolved; nothing when some part of it does
// not exist. An empty path stands for "/" (on Windows the root of the
// working directory's drive). Never throws.
std::optional<std::string> realPath(const std::string& path);

// The part of `path` before its last '/' or '\\' (whichever comes last),
// without the separator; "" when there is neither.
std::string directoryPart(const std::string& path);

// True when `path` names a regular file (symbolic links followed); false on
// any failure, never throws.
bool isRegularFile(const std::string& path);

// The working directory, of any length. A directory under "/cygdrive/<x>"
// (prefix letter case ignored) is given as "<x>:" and the rest, e.g.
// /cygdrive/d/Music -> d:/Music. Throws kw::err::IOError("getcwd") when the
// system cannot tell it (e.g. the directory was removed). On Windows it is
// the system's form as it stands ("C:\\Music", "\\\\server\\share\\x").
std::string currentDirectory();

// The drive-letter form of `directory` that currentDirectory() returns:
// "/cygdrive/" (letter case ignored) with at least one character after it
// becomes that character, ':' and the rest; anything else is returned as is.
std::string withDriveLetter(const std::string& directory);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_PATH_H_
