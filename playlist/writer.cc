#include "playlist/writer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/path_rules.h"
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
// bytes or have the file refused, and a file starting like XML, like media
// data or like a cue sheet would be read as XML or refused. Such a file gets
// the extended header, which reads back to the same entries.
bool firstPathPassesForHeader(const PlayList& list) {
  std::string start;  // of the file without a header, as far as the reader looks
  for (const PlaylistEntry& entry : list.entries) {
    if (entry.deleted) continue;
    std::string storage;
    const std::string_view path = oneLinePath(entry.path, list.fileName, false, storage);
    if (start.empty() && (isPlsHeaderLine(path) || path.starts_with("\xEF\xBB\xBF") ||
                          path.starts_with("\xFF\xFE") || path.starts_with("\xFE\xFF"))) {
      return true;
    }
    start.append(path) += '\n';
    if (start.size() >= kSignatureReach) break;
  }
  return looksLikeXml(start) || startsWithMediaSignature(start) || looksLikeCueSheet(start);
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

err::Error notRegular(const std::string& fileName) {
  return err::Error(err::formatString("Not a regular file ('%s')", fileName.c_str()));
}

// The target of the link `link`, a relative one taken against the link's
// folder.
std::string followLink(const std::string& link, const std::string& reportName) {
  std::string target = sys_dep::linkTarget(link, reportName);
  const size_t last = sys_dep::lastSeparator(link);
  if (last == std::string::npos || sys_dep::anchorOf(target) == sys_dep::PathAnchor::kAbsolute) return target;
  return sys_dep::joinedPath(link.substr(0, last + 1), target);
}

void writeContent(const PlayList& list, const std::string& target) {
  sys_dep::ReplacementFile file(target, list.fileName);
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

// The existing file `target` must be one we may write to: replacing works
// in any writable folder, but a file its owner made read-only must still
// not be rewritten.
sys_dep::FileStatus checkWritable(const std::string& target, const std::string& fileName) {
  const sys_dep::FileStatus status = sys_dep::fileStatus(target, false, fileName);
  if (status.type != sys_dep::FileType::kMissing && !sys_dep::mayWrite(target)) throw err::IOError(fileName);
  return status;
}

// Whether `a` and `b` are names of one existing file (a case-only change of
// the name on a case-insensitive file system).
bool sameExistingFile(const std::string& a, const std::string& b) {
  const sys_dep::FileStatus first = sys_dep::fileStatus(a, false, a);
  const sys_dep::FileStatus second = sys_dep::fileStatus(b, false, b);
  return first.type != sys_dep::FileType::kMissing && second.type != sys_dep::FileType::kMissing &&
         first.identity == second.identity;
}

}  // namespace

std::string correctedPlaylistName(const std::string& fileName, bool pls) {
  const std::string_view extension = extensionOf(fileName);
  const char* wanted = pls ? ".pls" : equalsIgnoringCase(extension, ".m3u8") ? ".m3u8" : ".m3u";
  return fileName.substr(0, fileName.size() - extension.size()) + wanted;
}

std::string savedName(const PlayList& list) {
  return writesXml(list) ? xmlPlaylistName(list) : correctedPlaylistName(list.fileName, list.plsFormat);
}

std::string fileToReplace(const std::string& fileName) {
  // The kernel's rule holds for every link of the chain, also one that
  // names a folder on the way; the chain is walked once, before following.
  if (sys_dep::followsForeignLinkInSharedFolder(fileName)) {
    throw err::Error(err::formatString("Not following a link in a shared folder ('%s')", fileName.c_str()));
  }
  std::string current = fileName;
  bool throughLink = false;
  for (int depth = 0; depth <= 40; ++depth) {
    const sys_dep::SystemPlace place = sys_dep::systemPlaceOf(current);
    const bool inDev = place == sys_dep::SystemPlace::kDevices;
    if (place == sys_dep::SystemPlace::kNoFiles || (inDev && throughLink)) throw notRegular(fileName);
    const sys_dep::FileStatus status = sys_dep::fileStatus(current, false, fileName);
    switch (status.type) {
      case sys_dep::FileType::kMissing:
      case sys_dep::FileType::kRegular:
        return current;
      case sys_dep::FileType::kDirectory:
        errno = EISDIR;
        throw err::IOError(fileName);
      case sys_dep::FileType::kOther:
        throw notRegular(fileName);
      case sys_dep::FileType::kSymbolicLink:
        if (inDev) throw notRegular(fileName);
        current = followLink(current, fileName);
        throughLink = true;
    }
  }
  errno = ELOOP;
  throw err::IOError(fileName);
}

void checkSavable(const std::string& fileName) {
  const std::string target = fileToReplace(fileName);
  sys_dep::probeFileCreation(sys_dep::folderOf(target));
  checkWritable(target, fileName);
}

void savePlaylist(const PlayList& list, std::ostream& progress, std::ostream& warnings) {
  progress << "Saving '" << err::shown(list.fileName) << "'\n";
  const std::string newName = savedName(list);
  // Whether both names stand for one file must be told before the file is
  // replaced: afterwards they are two files.
  const bool caseOnly = newName != list.fileName && sameExistingFile(list.fileName, newName);
  const std::string target = fileToReplace(list.fileName);
  const sys_dep::FileStatus old = checkWritable(target, list.fileName);
  writeContent(list, target);
  if (old.links > 1) {
    warnings << "'" << err::shown(list.fileName) << "' had other hard links; they keep the old content.\n"
             << std::flush;
  }
  if (newName == list.fileName) return;
  sys_dep::renameFile(list.fileName, newName, caseOnly);
  progress << "Playlist had wrong extension. Renamed to '" << err::shown(newName) << "'\n";
  sys_dep::syncFolder(sys_dep::folderOf(newName), newName);
}

void setSyncToDisk(bool on) { sys_dep::setSyncToDisk(on); }

void writeEntry(const PlaylistEntry& entry, std::ostream& out, bool pls, int index) {
  std::string text;
  appendEntry(text, entry, pls, index, std::string());
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace kw
