#include "playlist/writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/err/shown_text.h"
#include "playlist/numbers.h"
#include "playlist/path_forms.h"
#include "playlist/signatures.h"
#include "playlist/xml_playlist.h"

namespace kw {
namespace {

constexpr size_t kFlushSize = 1 << 20;

void appendNumber(std::string& out, int number) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  out.append(digits, result.ptr);
}

void appendKey(std::string& out, std::string_view key, int index, std::string_view value) {
  out += key;
  appendNumber(out, index);
  out += '=';
  out += value;
  out += '\n';
}

// `path` with its line ends and final blanks escaped as a URI escapes them.
std::string escapedLineBreaks(std::string_view path) {
  std::string escaped;
  const size_t kept = path.find_last_not_of(' ') + 1;  // 0 for blanks only
  for (size_t k = 0; k < path.size(); ++k) {
    if (path[k] == '\n') {
      escaped += "%0A";
    } else if (path[k] == '\r') {
      escaped += "%0D";
    } else if (k >= kept) {
      escaped += "%20";
    } else {
      escaped += path[k];
    }
  }
  return escaped;
}

// Whether an M3U reader takes the line `path` for a '#' line (after blanks
// and tabs) or strips blanks from its start.
bool losesItsStart(std::string_view path) {
  const size_t first = path.find_first_not_of(" \t");
  return path.starts_with(' ') || (first != std::string_view::npos && path[first] == '#');
}

// A line end in a path (an XML playlist's decoded location, a file name in
// the music folder) would split its line and make the rest another song, and
// blanks at its end would be stripped by every reader, this one too. Such a
// path is written as its file:// URI instead, which every reader decodes
// back to the same file; a relative path is taken against the folder of the
// playlist it is written to. Other forms (URIs, Windows paths) have their
// line ends and final blanks escaped as a URI would. In M3U, a path that
// would read as a comment or lose its first blanks gets "./" (".\" in
// Windows form) in front, which names the same file; only a relative path
// can start that way. `storage` holds a changed path.
std::string_view oneLinePath(std::string_view path, const std::string& playlistName, bool pls, std::string& storage) {
  std::string_view line = path;
  if (path.find_first_of("\r\n") != std::string_view::npos || path.ends_with(' ')) {
    if (path.starts_with('/')) return storage = fileUri(path);
    if (isRelativePath(path)) return storage = fileUri(resolvedPath(folderOfFile(playlistName), path));
    line = storage = escapedLineBreaks(path);
  }
  if (pls || !losesItsStart(line)) return line;
  storage = (isWindowsPath(line) ? ".\\" : "./") + std::string(line);
  return storage;
}

void appendLines(std::string& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out += line;
    out += '\n';
  }
}

// PLS has no place for an entry's other lines: they are left out.
void appendPlsEntry(std::string& out, const PlaylistEntry& entry, int index, const std::string& playlistName) {
  std::string storage;
  appendKey(out, "file", index, oneLinePath(entry.path, playlistName, true, storage));
  if (!entry.extInfo) return;
  const InfoParts parts = infoParts(*entry.extInfo);
  appendKey(out, "title", index, parts.title);
  if (parts.length) appendKey(out, "length", index, *parts.length);
}

void appendM3uEntry(std::string& out, const PlaylistEntry& entry, const std::string& playlistName) {
  if (entry.otherLines) appendLines(out, entry.otherLines->beforeInfo);
  if (entry.extInfo) {
    out += *entry.extInfo;
    out += '\n';
  }
  if (entry.otherLines) appendLines(out, entry.otherLines->afterInfo);
  std::string storage;
  out += oneLinePath(entry.path, playlistName, false, storage);
  out += '\n';
}

void appendEntry(std::string& out, const PlaylistEntry& entry, bool pls, int index,
                 const std::string& playlistName) {
  if (entry.deleted) return;
  if (pls) {
    appendPlsEntry(out, entry, index, playlistName);
  } else {
    appendM3uEntry(out, entry, playlistName);
  }
}

int writtenEntries(const PlayList& list) {
  int count = 0;
  for (const PlaylistEntry& entry : list.entries) count += entry.deleted ? 0 : 1;
  return count;
}

bool hasOtherLines(const PlaylistEntry& entry) {
  return entry.otherLines &&
         (!entry.otherLines->beforeInfo.empty() || !entry.otherLines->afterInfo.empty());
}

// An information line on any entry, deleted ones included, or any '#' line
// that is written makes the file extended M3U.
bool writesExtendedM3u(const PlayList& list) {
  if (!list.fileLines.empty() || !list.trailingLines.empty()) return true;
  for (const PlaylistEntry& entry : list.entries) {
    if (entry.extInfo || (!entry.deleted && hasOtherLines(entry))) return true;
  }
  return false;
}

// Without a header, the first path of a plain M3U file is the line the reader
// detects the format from: a path spelled "[playlist]" would turn the file
// into an empty PLS, one starting with a byte-order mark would lose those
// bytes or have the file refused, and a file starting like XML or like media
// data would be read as XML or refused. Such a file gets the extended header,
// which reads back to the same entries.
bool firstPathPassesForHeader(const PlayList& list) {
  std::string start;  // of the file without a header
  for (const PlaylistEntry& entry : list.entries) {
    if (entry.deleted) continue;
    const std::string_view path = entry.path;
    if (start.empty() && (isPlsHeaderLine(path) || path.starts_with("\xEF\xBB\xBF") ||
                          path.starts_with("\xFF\xFE") || path.starts_with("\xFE\xFF"))) {
      return true;
    }
    start.append(path.substr(0, 64)) += '\n';
    if (start.size() >= 64) break;
  }
  return looksLikeXml(start) || startsWithMediaSignature(start);
}

// The header and, in M3U, the file's own lines.
void appendHeader(std::string& out, const PlayList& list) {
  if (list.plsFormat) {
    out += "[playlist]\nnumberofentries=";
    appendNumber(out, writtenEntries(list));
    out += '\n';
  } else if (writesExtendedM3u(list) || firstPathPassesForHeader(list)) {
    out += "#EXTM3U\n";
    appendLines(out, list.fileLines);
  }
}

// The '#' lines after the last path, in M3U.
void appendTrailer(std::string& out, const PlayList& list) {
  if (!list.plsFormat) appendLines(out, list.trailingLines);
}

// The directory a file of `name` lives in, told by '/' only.
std::string directoryOf(const std::string& name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// The file a chain of symbolic links ends at (which need not exist), so that
// a linked playlist is rewritten where it lives and the link stays a link.
std::string resolveLinks(const std::string& name) {
  std::string current = name;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::string target(static_cast<size_t>(info.st_size) + 256, '\0');
    const ssize_t length = readlink(current.c_str(), target.data(), target.size());
    if (length < 0) throw err::IOError(name);
    target.resize(static_cast<size_t>(length));
    if (target.empty() || target[0] != '/') {
      const size_t slash = current.rfind('/');
      if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
    }
    current = target;
  }
  errno = ELOOP;
  throw err::IOError(name);
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

bool syncToDisk = true;

// Makes a rename or a new entry in `folder` survive a crash of the machine.
// A folder we may not open or whose file system cannot flush folders is
// left as it is; a failing flush is reported as IOError(reportName).
void syncFolder(const std::string& folder, const std::string& reportName) {
  if (!syncToDisk) return;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
  const int error = errno;
  ::close(fd);
  errno = error;
  if (!synced) throw err::IOError(reportName);
}

// A file made by mkstemp from `pattern`: owned from the moment it exists,
// closed and removed when this goes away unless keep() was called.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string pattern)
      : name_(std::move(pattern)), fd_(mkstemp(name_.data())), created_(fd_ >= 0) {}
  ~TemporaryFile() {
    close();
    if (created_) ::unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool created() const { return created_; }
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  // Returns what close() returned, -1 with errno set when it failed.
  int close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 ? 0 : ::close(fd);
  }
  // The file was renamed away: its name must not be removed any more.
  void keep() { created_ = false; }

 private:
  std::string name_;
  int fd_;
  bool created_;
};

// A temporary file beside the target that replaces it only on commit();
// destroyed without commit() it removes itself, so the target keeps its
// old content. Every failure raises IOError(reportName).
class Replacement {
 public:
  Replacement(const std::string& target, const std::string& reportName)
      : target_(target),
        reportName_(reportName),
        file_(directoryOf(target) + "/.trackmend-XXXXXX") {
    if (!file_.created()) fail();
    keepAttributes();
  }

  void write(std::string_view bytes) {
    if (!writeAll(file_.fd(), bytes.data(), bytes.size())) fail();
  }
  // The content reaches the disk before the rename, and the rename before
  // we return: a crash of the machine leaves the old file or the new one,
  // never a name for a file of which only part was written.
  void commit() {
    if (syncToDisk && ::fsync(file_.fd()) != 0) fail();
    if (file_.close() != 0) fail();
    if (::rename(file_.name().c_str(), target_.c_str()) != 0) fail();
    file_.keep();
    syncFolder(directoryOf(target_), reportName_);
  }

 private:
  [[noreturn]] void fail() const { throw err::IOError(reportName_); }

  // mkstemp creates the file 0600 and owned by us: give it what the old
  // file had (ownership as far as we are allowed), or what a newly created
  // file would get.
  void keepAttributes() {
    struct stat old;
    mode_t mode = creationMode();
    if (stat(target_.c_str(), &old) == 0) {
      mode = old.st_mode & 07777;
      if (old.st_uid != geteuid() || old.st_gid != getegid()) {
        [[maybe_unused]] const int ignored = fchown(file_.fd(), old.st_uid, old.st_gid);
      }
    }
    if (fchmod(file_.fd(), mode) != 0) fail();
  }

  std::string target_;
  std::string reportName_;
  TemporaryFile file_;
};

void writeContent(const PlayList& list) {
  const std::string target = resolveLinks(list.fileName);
  // Replacing works in any writable directory; a file its owner made
  // read-only must still not be rewritten.
  if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0) {
    throw err::IOError(list.fileName);
  }
  Replacement file(target, list.fileName);
  if (writesXml(list)) {
    writeXmlPlaylist(list, [&file](std::string_view bytes) { file.write(bytes); });
    file.commit();
    return;
  }
  // Room for the whole of a small playlist, or for one flush of a large one.
  std::string buffer;
  buffer.reserve(std::min(kFlushSize, list.entries.size() * 128) + 4096);
  appendHeader(buffer, list);
  int index = 0;
  for (const PlaylistEntry& entry : list.entries) {
    if (entry.deleted) continue;
    appendEntry(buffer, entry, list.plsFormat, ++index, list.fileName);
    if (buffer.size() >= kFlushSize) {
      file.write(buffer);
      buffer.clear();
    }
  }
  appendTrailer(buffer, list);
  file.write(buffer);
  file.commit();
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat infoA, infoB;
  return lstat(a.c_str(), &infoA) == 0 && lstat(b.c_str(), &infoB) == 0 &&
         infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

// Renames `from` to `to` unless `to` is another existing file. `sameFile`
// tells whether both names stood for one file before it was rewritten (a
// case-only change on a case-insensitive file system); rewriting replaces
// the file, so it cannot be told afterwards.
void renameWithoutReplacing(const std::string& from, const std::string& to, bool sameFile) {
  const std::string description = from + " -> " + to;
  if (sameFile) {
    if (::rename(from.c_str(), to.c_str()) != 0) throw err::IOError(description, "rename");
    return;
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) throw err::IOError(description, "rename");
  // This file system cannot refuse to replace: check first, then rename.
  struct stat info;
  if (lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    throw err::IOError(description, "rename");
  }
  if (::rename(from.c_str(), to.c_str()) != 0) throw err::IOError(description, "rename");
}

}  // namespace

std::string correctedPlaylistName(const std::string& fileName, bool pls) {
  const std::string_view extension = extensionOf(fileName);
  const char* wanted = pls ? ".pls" : equalsIgnoringCase(extension, ".m3u8") ? ".m3u8" : ".m3u";
  return fileName.substr(0, fileName.size() - extension.size()) + wanted;
}

void savePlaylist(const PlayList& list, std::ostream& progress) {
  progress << "Saving '" << err::shown(list.fileName) << "'\n";
  const std::string newName =
      writesXml(list) ? xmlPlaylistName(list) : correctedPlaylistName(list.fileName, list.plsFormat);
  const bool newNameIsSameFile = newName != list.fileName && sameFile(list.fileName, newName);
  writeContent(list);
  if (newName == list.fileName) return;
  renameWithoutReplacing(list.fileName, newName, newNameIsSameFile);
  progress << "Playlist had wrong extension. Renamed to '" << err::shown(newName) << "'\n";
  syncFolder(directoryOf(newName), newName);
}

void setSyncToDisk(bool on) { syncToDisk = on; }

void writeEntry(const PlaylistEntry& entry, std::ostream& out, bool pls, int index) {
  std::string text;
  appendEntry(text, entry, pls, index, std::string());
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace kw
