// The POSIX side of file_system.h.
#include "Lib/kw/sys_dep/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_parts.h"

namespace kw::sys_dep {
namespace {

bool syncToDisk = true;

// The folder a file of `name` lives in, told by '/' only.
std::string folderOf(const std::string& name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

FileType typeOf(mode_t mode) {
  if (S_ISREG(mode)) return FileType::kRegular;
  if (S_ISDIR(mode)) return FileType::kDirectory;
  if (S_ISLNK(mode)) return FileType::kSymbolicLink;
  return FileType::kOther;
}

mode_t creationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Closes `descriptor`, keeping the errno of an earlier failure.
void closeQuietly(int descriptor) {
  const int error = errno;
  ::close(descriptor);
  errno = error;
}

// The components of `path` (partsBetweenSeparators), last first: the next
// one to walk is at the back.
std::vector<std::string> reversedComponents(const std::string& path) {
  const std::vector<std::string_view> parts = partsBetweenSeparators(path);
  return std::vector<std::string>(parts.rbegin(), parts.rend());
}

// Walks `name` component by component as the kernel resolves it, following
// every symbolic link (in the folder part, at the end and within targets),
// and asks `stops` about each place reached: its real path and whether it
// is a link. True as soon as `stops` says so; false at the end, at a part
// that does not exist or cannot be looked up, and after 40 links (the
// callers report the failure itself when they open the name).
template <class Stops>
bool walkStops(const std::string& name, const Stops& stops) {
  std::string done;  // the real path reached so far; "" is the root
  if (!name.starts_with('/')) {
    const std::optional<std::string> here = realPath(".");
    if (!here) return false;
    done = *here == "/" ? "" : *here;
  }
  std::vector<std::string> todo = reversedComponents(name);
  for (int links = 0; !todo.empty();) {
    const std::string part = std::move(todo.back());
    todo.pop_back();
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      done.erase(done.empty() ? 0 : done.rfind('/'));
      continue;
    }
    const std::string place = done + "/" + part;
    struct stat info;
    if (::lstat(place.c_str(), &info) != 0) return stops(place, false);
    const bool link = S_ISLNK(info.st_mode);
    if (stops(place, link)) return true;
    if (!link) {
      done = place;
      continue;
    }
    if (++links > 40) return false;
    std::string target;
    try {
      target = linkTarget(place, place);
    } catch (const err::Error&) {
      return false;
    }
    if (target.starts_with('/')) done.clear();
    for (std::string& step : reversedComponents(target)) todo.push_back(std::move(step));
  }
  return false;
}

bool liesIn(const std::string& path, std::string_view root) {
  return path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
}

}  // namespace

std::optional<FileStatus> lookUpFile(const std::string& name, bool followLinks) {
  struct stat info;
  if ((followLinks ? ::stat(name.c_str(), &info) : ::lstat(name.c_str(), &info)) != 0) return std::nullopt;
  FileStatus status;
  status.type = typeOf(info.st_mode);
  status.identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  status.links = static_cast<std::uint64_t>(info.st_nlink);
  return status;
}

// Every place the kernel looks up on its way to `name` counts for /proc: a
// name spelled under /proc ("/proc/self/cwd/x") and a link into it lead
// there, whatever they resolve to in the end; "/proc/.." only passes by.
SystemPlace systemPlaceOf(const std::string& name) {
  if (walkStops(name, [](const std::string& place, bool) { return place.starts_with("/proc/"); })) {
    return SystemPlace::kNoFiles;
  }
  return liesIn(withRealFolder(name), "/dev") ? SystemPlace::kDevices : SystemPlace::kNone;
}

std::string linkTarget(const std::string& link, const std::string& reportName) {
  // The size lstat reports is only a hint (links in /proc report 64 or 0):
  // the buffer grows until the target fits with room to spare.
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length < 0) throw err::IOError(reportName);
    if (static_cast<size_t>(length) < target.size()) {
      target.resize(static_cast<size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

std::string withRealFolder(const std::string& name) {
  const std::optional<std::string> real = realPath(folderOf(name));
  if (!real) return name;
  const std::string& result = *real;
  const size_t slash = name.rfind('/');
  const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  return (result == "/" ? "" : result) + "/" + last;
}

bool isForeignLinkInSharedFolder(const std::string& link) {
  struct stat folder, own;
  if (::stat(folderOf(link).c_str(), &folder) != 0 || ::lstat(link.c_str(), &own) != 0) return false;
  const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
  return shared && own.st_uid != folder.st_uid && own.st_uid != ::geteuid();
}

bool followsForeignLinkInSharedFolder(const std::string& name) {
  return walkStops(name,
                   [](const std::string& place, bool link) { return link && isForeignLinkInSharedFolder(place); });
}

bool mayWrite(const std::string& name) { return ::access(name.c_str(), W_OK) == 0; }

std::string temporaryPattern(const std::string& folder) { return folder + "/.trackmend-XXXXXX"; }

void probeFileCreation(const std::string& folder) {
  std::string name = temporaryPattern(folder);
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) throw err::IOError(folder);
  ::close(descriptor);
  ::unlink(name.c_str());
}

void setSyncToDisk(bool on) { syncToDisk = on; }

void syncFolder(const std::string& folder, const std::string& reportName) {
  if (!syncToDisk) return;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
  closeQuietly(fd);
  if (!synced) throw err::IOError(reportName);
}

ReplacementFile::ReplacementFile(const std::string& target, const std::string& reportName)
    : target_(target), reportName_(reportName), name_(temporaryPattern(folderOf(target))) {
  handle_ = ::mkstemp(name_.data());
  if (handle_ < 0) fail();
  exists_ = true;
  try {
    keepAttributes();
  } catch (...) {
    // No destructor runs for an object whose constructor throws.
    closeFile();
    ::unlink(name_.c_str());
    throw;
  }
}

// mkstemp creates the file 0600 and owned by us: give it what the old file
// had (ownership as far as we are allowed), or what a newly created file
// would get.
void ReplacementFile::keepAttributes() {
  struct stat old;
  mode_t mode = creationMode();
  if (::stat(target_.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(descriptor(), old.st_uid, old.st_gid);
    }
  }
  if (::fchmod(descriptor(), mode) != 0) fail();
}

ReplacementFile::~ReplacementFile() {
  closeFile();
  if (exists_) ::unlink(name_.c_str());
}

void ReplacementFile::write(std::string_view bytes) {
  if (!writeAll(descriptor(), bytes.data(), bytes.size())) fail();
}

// The content reaches the disk before the rename, and the rename before we
// return: a crash of the machine leaves the old file or the new one, never
// a name for a file of which only part was written.
void ReplacementFile::commit() {
  if (syncToDisk && ::fsync(descriptor()) != 0) fail();
  const int open = descriptor();
  handle_ = -1;
  if (::close(open) != 0) fail();
  if (::rename(name_.c_str(), target_.c_str()) != 0) fail();
  exists_ = false;
  syncFolder(folderOf(target_), reportName_);
}

void ReplacementFile::fail() const { throw err::IOError(reportName_); }

void ReplacementFile::closeFile() {
  if (handle_ >= 0) closeQuietly(descriptor());
  handle_ = -1;
}

void renameFile(const std::string& from, const std::string& to, bool mayReplace) {
  const std::string description = from + " -> " + to;
  if (mayReplace) {
    if (::rename(from.c_str(), to.c_str()) != 0) throw err::IOError(description, "rename");
    return;
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) throw err::IOError(description, "rename");
  // This file system cannot refuse to replace: check first, then rename.
  struct stat info;
  if (::lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    throw err::IOError(description, "rename");
  }
  if (::rename(from.c_str(), to.c_str()) != 0) throw err::IOError(description, "rename");
}

}  // namespace kw::sys_dep
