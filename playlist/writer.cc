#include "playlist/writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "Lib/kw/err/error.h"
#include "playlist/numbers.h"
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

void appendPlsEntry(std::string& out, const PlaylistEntry& entry, int index) {
  appendKey(out, "file", index, entry.path);
  if (!entry.extInfo) return;
  std::string_view info = *entry.extInfo;
  if (info.substr(0, 8) == "#EXTINF:") info.remove_prefix(8);
  const size_t comma = info.find(',');
  if (comma == std::string_view::npos) {
    appendKey(out, "title", index, info);
    return;
  }
  appendKey(out, "title", index, info.substr(comma + 1));
  appendKey(out, "length", index, info.substr(0, comma));
}

void appendEntry(std::string& out, const PlaylistEntry& entry, bool pls, int index) {
  if (entry.deleted) return;
  if (pls) {
    appendPlsEntry(out, entry, index);
    return;
  }
  if (entry.extInfo) {
    out += *entry.extInfo;
    out += '\n';
  }
  out += entry.path;
  out += '\n';
}

int writtenEntries(const PlayList& list) {
  int count = 0;
  for (const PlaylistEntry& entry : list.entries) count += entry.deleted ? 0 : 1;
  return count;
}

bool anyExtInfo(const PlayList& list) {
  for (const PlaylistEntry& entry : list.entries) {
    if (entry.extInfo) return true;
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

void appendHeader(std::string& out, const PlayList& list) {
  if (list.plsFormat) {
    out += "[playlist]\nnumberofentries=";
    appendNumber(out, writtenEntries(list));
    out += '\n';
  } else if (anyExtInfo(list) || firstPathPassesForHeader(list)) {
    out += "#EXTM3U\n";
  }
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

// A temporary file beside the target that replaces it only on commit();
// destroyed without commit() it removes itself, so the target keeps its
// old content. Every failure raises IOError(reportName).
class Replacement {
 public:
  Replacement(const std::string& target, const std::string& reportName)
      : target_(target), reportName_(reportName), name_(directoryOf(target) + "/.trackmend-XXXXXX") {
    fd_ = mkstemp(name_.data());
    if (fd_ < 0) fail();
    keepAttributes();
  }
  ~Replacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(name_.c_str());
  }
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  void write(std::string_view bytes) {
    if (!writeAll(fd_, bytes.data(), bytes.size())) fail();
  }
  void commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail();
    if (::rename(name_.c_str(), target_.c_str()) != 0) fail();
    committed_ = true;
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
        [[maybe_unused]] const int ignored = fchown(fd_, old.st_uid, old.st_gid);
      }
    }
    if (fchmod(fd_, mode) != 0) fail();
  }

  std::string target_;
  std::string reportName_;
  std::string name_;
  int fd_ = -1;
  bool committed_ = false;
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
  std::string buffer;
  buffer.reserve(kFlushSize + 4096);
  appendHeader(buffer, list);
  int index = 0;
  for (const PlaylistEntry& entry : list.entries) {
    if (entry.deleted) continue;
    appendEntry(buffer, entry, list.plsFormat, ++index);
    if (buffer.size() >= kFlushSize) {
      file.write(buffer);
      buffer.clear();
    }
  }
  file.write(buffer);
  file.commit();
}

bool hasM3u8Extension(std::string_view extension) {
  static constexpr std::string_view kM3u8 = ".m3u8";
  if (extension.size() != kM3u8.size()) return false;
  for (size_t i = 0; i < kM3u8.size(); ++i) {
    if (asciiLower(extension[i]) != kM3u8[i]) return false;
  }
  return true;
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
  const size_t slash = fileName.rfind('/');
  const size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = fileName.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot >= fileStart;
  const std::string_view extension =
      hasExtension ? std::string_view(fileName).substr(dot) : std::string_view();
  const char* wanted = pls ? ".pls" : hasM3u8Extension(extension) ? ".m3u8" : ".m3u";
  return fileName.substr(0, hasExtension ? dot : fileName.size()) + wanted;
}

void savePlaylist(const PlayList& list, std::ostream& progress) {
  progress << "Saving '" << list.fileName << "'\n";
  const std::string newName =
      writesXml(list) ? xmlPlaylistName(list) : correctedPlaylistName(list.fileName, list.plsFormat);
  const bool newNameIsSameFile = newName != list.fileName && sameFile(list.fileName, newName);
  writeContent(list);
  if (newName == list.fileName) return;
  renameWithoutReplacing(list.fileName, newName, newNameIsSameFile);
  progress << "Playlist had wrong extension. Renamed to '" << newName << "'\n";
}

void writeEntry(const PlaylistEntry& entry, std::ostream& out, bool pls, int index) {
  std::string text;
  appendEntry(text, entry, pls, index);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace kw
