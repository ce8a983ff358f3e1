// A playlist in memory: its entries in file order, its file name and format.
#ifndef PLAYLIST_PLAYLIST_H_
#define PLAYLIST_PLAYLIST_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class XmlSource;  // playlist/xml_playlist.h

// The '#' lines of an entry other than its information line, in file order:
// those standing before the information line and those between it and the
// path. An entry without an information line has all of them in `beforeInfo`,
// so one it is given later is written directly before the path.
struct EntryLines {
  std::vector<std::string> beforeInfo;
  std::vector<std::string> afterInfo;
};

// One song of a playlist. Copies are deep: a copy owns its own extInfo and
// other lines.
class PlaylistEntry {
 public:
  // An empty `extInfoText` gives no extended information (null extInfo).
  explicit PlaylistEntry(std::string path, std::string extInfoText = std::string());
  PlaylistEntry(const PlaylistEntry& other);
  PlaylistEntry& operator=(const PlaylistEntry& other);
  PlaylistEntry(PlaylistEntry&&) noexcept = default;
  PlaylistEntry& operator=(PlaylistEntry&&) noexcept = default;
  virtual ~PlaylistEntry();

  // The whole information line, an "#EXTINF" line (letter case ignored)
  // as read from M3U or made from PLS title and length; null when there is
  // none, never empty.
  std::unique_ptr<std::string> extInfo;
  // The entry's other '#' lines (directives, comments); null when it has
  // none, which is the common case, so that they cost one pointer then.
  std::unique_ptr<EntryLines> otherLines;
  // The path as written in the file, less surrounding spaces; opaque bytes.
  std::string path;
  // A deleted entry keeps its position but is not written.
  bool deleted = false;
};

class PlayList {
 public:
  explicit PlayList(std::string fileName);
  PlayList(const PlayList&) = default;
  PlayList& operator=(const PlayList&) = default;
  PlayList(PlayList&&) noexcept = default;
  PlayList& operator=(PlayList&&) noexcept = default;
  virtual ~PlayList();

  std::vector<PlaylistEntry> entries;
  // '#' lines of the file rather than of a song ("#PLAYLIST:", notes at the
  // top), written right after the header; and those after the last path,
  // written at the end, behind entries appended later. M3U only.
  std::vector<std::string> fileLines;
  std::vector<std::string> trailingLines;
  std::string fileName;
  // true: PLS (as read, or to be written); false: M3U, plain or extended.
  bool plsFormat = false;
  // Set by the reader for an XSPF, WPL or ASX file: the document as read,
  // which the writer splices the changes into (entry k is its track k).
  // Null for M3U and PLS; resetting it makes the list M3U or PLS.
  std::shared_ptr<const XmlSource> xmlSource;
  // Set by the reader for an M3U file written in the ANSI code page (only
  // where sys_dep::hasAnsiPlaylists(): no byte-order mark and a path that is
  // not UTF-8). Its lines stay bytes of that code page: paths are compared
  // as the text they stand for, and new paths and lines are written in it.
  bool ansiCodePage = false;
};

// `entry` with its path and lines, written in the ANSI code page, as UTF-8.
PlaylistEntry decodedFromAnsi(const PlaylistEntry& entry);

// Turns every line of `list` into UTF-8 when it is in the ANSI code page
// (ansiCodePage), which it then no longer is; for a list that is only read,
// or written anew whole.
void decodeAnsiCodePage(PlayList& list);

// The information line of a song `seconds` long (0: unknown) titled `title`:
// "#EXTINF:<seconds>,<artist> - <title>", or "#EXTINF:<seconds>,<title>"
// when `artist` is empty.
std::string infoLineOf(int seconds, std::string_view artist, std::string_view title);

// What the formats with separate fields (PLS, XML) keep of the information
// line `info`: a leading "#EXTINF:" (any letter case) dropped, the length is
// the text before the first ',' and the title the text after it; without a
// ',' all of it is the title and there is no length. Views into `info`.
struct InfoParts {
  std::string_view title;
  std::optional<std::string_view> length;
};
InfoParts infoParts(std::string_view info);

}  // namespace kw

#endif  // PLAYLIST_PLAYLIST_H_
