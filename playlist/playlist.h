// A playlist in memory: its entries in file order, its file name and format.
#ifndef PLAYLIST_PLAYLIST_H_
#define PLAYLIST_PLAYLIST_H_

#include <memory>
#include <string>
#include <vector>

namespace kw {

class XmlSource;  // playlist/xml_playlist.h

// One song of a playlist. Copies are deep: a copy owns its own extInfo.
class PlaylistEntry {
 public:
  // An empty `extInfoText` gives no extended information (null extInfo).
  explicit PlaylistEntry(std::string path, std::string extInfoText = std::string());
  PlaylistEntry(const PlaylistEntry& other);
  PlaylistEntry& operator=(const PlaylistEntry& other);
  PlaylistEntry(PlaylistEntry&&) noexcept = default;
  PlaylistEntry& operator=(PlaylistEntry&&) noexcept = default;
  virtual ~PlaylistEntry();

  // The whole extended-information line ("#EXTINF:..." or another '#'
  // line that preceded the path); null when there is none, never empty.
  std::unique_ptr<std::string> extInfo;
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
  std::string fileName;
  // true: PLS (as read, or to be written); false: M3U, plain or extended.
  bool plsFormat = false;
  // Set by the reader for an XSPF, WPL or ASX file: the document as read,
  // which the writer splices the changes into (entry k is its track k).
  // Null for M3U and PLS; resetting it makes the list M3U or PLS.
  std::shared_ptr<const XmlSource> xmlSource;
};

}  // namespace kw

#endif  // PLAYLIST_PLAYLIST_H_
