// The file-system calls of a safe save: what a name is, where its links
// lead, whether a folder takes a new file, and a temporary file that
// replaces its target atomically and durably. Everything here is
// platform-neutral in its interface; file_system_posix.cc and
// file_system_win32.cc implement it. On Windows a file's identity is its
// volume's serial number and its file index, links are symbolic links
// (reparse points), and errors carry the errno that stands for the Win32
// error.
#ifndef KW_SYS_DEP_FILE_SYSTEM_H_
#define KW_SYS_DEP_FILE_SYSTEM_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kw::sys_dep {

enum class FileType { kMissing, kRegular, kDirectory, kSymbolicLink, kOther };

// Which file a name stands for; equal for two names of one file (device
// and inode; on Windows volume serial number and file index).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  FileType type = FileType::kMissing;
  FileIdentity identity;    // meaningful unless kMissing
  std::uint64_t links = 0;  // hard links of the file
};

// The identity of the file `name` leads to, symbolic links followed; none
// when it does not exist or cannot be looked up. Never throws.
std::optional<FileIdentity> fileIdentity(const std::string& name);

// What `name` is, its links not followed (`followLinks` false) or followed.
// A name that does not exist, or a folder part of it that is no folder, is
// kMissing. A device ("NUL", "COM1" on Windows), a pipe or a socket is
// kOther. Throws kw::err::IOError(reportName) for any other failure (a
// folder that may not be searched, a link loop when following).
FileStatus fileStatus(const std::string& name, bool followLinks, const std::string& reportName);

// The same without throwing: nullopt with errno set for any failure, a
// name that does not exist (ENOENT) included.
std::optional<FileStatus> lookUpFile(const std::string& name, bool followLinks);

// Places of the system that hold no files of a user: on Linux /proc, where
// nothing is a file to replace, for a name whose resolution as the kernel
// does it looks up anything in /proc (spelled there, as "/proc/self/cwd/x"
// or "/proc/self/root/...", or led there by any link of its chain; not
// "/proc/../x"); /dev, whose names are devices unless reached plainly, for
// a name whose folder lies there once its links are followed; on Windows the
// device namespace ("\\.\pipe\x", "\\?\GLOBALROOT"), which holds no files
// at all.
enum class SystemPlace { kNone, kNoFiles, kDevices };
SystemPlace systemPlaceOf(const std::string& name);

// The target of the symbolic link `link`, whatever its length. Throws
// kw::err::IOError(reportName) when it cannot be read.
std::string linkTarget(const std::string& link, const std::string& reportName);

// `name` with its folder part resolved (every link and ".." of the folder
// followed; the last component kept as written), so that where a name
// really lies can be told; `name` itself when the folder does not exist.
std::string withRealFolder(const std::string& name);

// Whether following the symbolic link `link` would be refused by the rule
// that protects links in shared folders: it lies in a folder that is sticky
// and writable by everyone, and is owned by neither that folder's owner nor
// the user running the program. False where no such rule applies (Windows).
bool isForeignLinkInSharedFolder(const std::string& link);

// Whether resolving `name` as the kernel does meets a link that
// isForeignLinkInSharedFolder() refuses, as the kernel's rule applies to
// every link it follows: any link of its folder part, the last component,
// and the links within their targets. Parts that do not exist end the
// search (false). False where no such rule applies (Windows).
bool followsForeignLinkInSharedFolder(const std::string& name);

// Whether the existing file `name` may be written by this process; errno
// tells why not. On Windows a file marked read-only may not, nor one that
// another program holds open without letting others write.
bool mayWrite(const std::string& name);

// The name a temporary file of a save gets in `folder`: the folder, the
// platform's separator, then ".trackmend-" and six characters chosen when
// it is made.
std::string temporaryPattern(const std::string& folder);

// Makes and removes a temporary file in `folder` (temporaryPattern), to tell
// whether a save there can work: a missing folder, one we may not write to
// and a read-only file system fail here, also for the superuser. Throws
// kw::err::IOError(folder).
void probeFileCreation(const std::string& folder);

// Whether replacements, renames and folders are flushed to the disk (on
// unless switched off). Off only for measuring what the flushes cost.
void setSyncToDisk(bool on);

// Flushes the folder `folder`, so that a rename in it survives a crash of
// the machine. A folder that cannot be opened or whose file system cannot
// flush folders is left as it is; a failing flush throws
// kw::err::IOError(reportName). Windows cannot flush a folder: there each
// rename is written through instead, and this does nothing.
void syncFolder(const std::string& folder, const std::string& reportName);

// A new file beside `target` (in its folder, temporaryPattern) that takes
// the place of `target` only on commit(); destroyed without commit() it is
// closed and removed, so `target` keeps its old content. Every failure
// throws kw::err::IOError(reportName).
// On Windows an existing `target` is replaced by ReplaceFileW, which gives
// the new file the old one's ACL, attributes and creation time; a new name
// by MoveFileExW, written through. The old file's other hard links keep the
// old content, as on POSIX.
class ReplacementFile {
 public:
  // Creates the file with the permission bits (and, as far as allowed, the
  // owner) of an existing `target`, else those of a newly created file.
  ReplacementFile(const std::string& target, const std::string& reportName);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  void write(std::string_view bytes);
  // Flushes the content to the disk, closes the file, renames it over
  // `target` and flushes the folder: a crash of the machine at any moment
  // leaves the old file or the new one under `target`.
  void commit();

 private:
  [[noreturn]] void fail() const;
  void keepAttributes();
  void closeFile();
  int descriptor() const { return static_cast<int>(handle_); }

  std::string target_;
  std::string reportName_;
  std::string name_;
  std::intptr_t handle_ = -1;  // a descriptor, or a Windows HANDLE
  bool exists_ = false;  // the temporary file is there and ours to remove
};

// Renames `from` to `to`. Unless `mayReplace`, an existing `to` is never
// replaced (failing with "File exists"); `mayReplace` is for a name that
// differs from `from` in letter case only, on a file system that takes
// both for one file. Throws kw::err::IOError("<from> -> <to>", "rename").
// On Windows the rename is written through to the disk before it returns.
void renameFile(const std::string& from, const std::string& to, bool mayReplace);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_FILE_SYSTEM_H_
