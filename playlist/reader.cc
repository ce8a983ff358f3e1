#include "playlist/reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/file/input_file.h"
#include "Lib/kw/sys_dep/code_page.h"
#include "Lib/kw/sys_dep/huge_buffer.h"
#include "playlist/numbers.h"
#include "playlist/signatures.h"
#include "playlist/xml_playlist.h"
#include "playlist/xml_text.h"

namespace kw {
namespace {

// Large blocks: a library of a million songs is over 100 MB, and every block
// costs a system call. Line splitting does not depend on the block size.
constexpr unsigned kReadBlock = 1 << 16;

[[noreturn]] void headerError(const file::InputFile& in, const char* message) {
  throw readerError(in.fileName(), in.lineNumber(), message);
}

std::string_view stripSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The '#' line that M3U content `content` is, less its leading blanks and
// tabs; empty when it is a path.
std::string_view hashLine(std::string_view content) {
  const size_t first = content.find_first_not_of(" \t");
  if (first == std::string_view::npos || content[first] != '#') return {};
  return content.substr(first);
}

// Moves the lines of `from` to the end of `to`, leaving `from` empty.
void moveLines(std::vector<std::string>& from, std::vector<std::string>& to) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  from.clear();
}

// Where the reader puts the songs it reads: a playlist keeps everything, a
// song list only paths and information lines.
class SongSink {
 public:
  virtual ~SongSink() = default;
  // Whether the sink keeps '#' lines other than information lines.
  virtual bool keepsLines() const = 0;
  // A song; `info` is its information line (null: none) and may be moved
  // from; `lines`, when the sink keeps lines, its other '#' lines.
  virtual void addSong(std::string_view path, std::string* info, EntryLines&& lines) = 0;
  // '#' lines of the file itself, standing before the first song's
  // information line or (`trailing`) after the last song.
  virtual void addFileLines(std::vector<std::string>& lines, bool trailing) = 0;
  // The file turned out to be PLS (told before its body is read).
  virtual void markPls() {}
};

class PlayListSink : public SongSink {
 public:
  explicit PlayListSink(PlayList& list) : list_(list) {}
  bool keepsLines() const override { return true; }
  void addSong(std::string_view path, std::string* info, EntryLines&& lines) override {
    PlaylistEntry& entry =
        list_.entries.emplace_back(std::string(path), info ? std::move(*info) : std::string());
    if (!lines.beforeInfo.empty() || !lines.afterInfo.empty())
      entry.otherLines = std::make_unique<EntryLines>(std::move(lines));
  }
  void addFileLines(std::vector<std::string>& lines, bool trailing) override {
    moveLines(lines, trailing ? list_.trailingLines : list_.fileLines);
  }
  void markPls() override { list_.plsFormat = true; }

 private:
  PlayList& list_;
};

class SongListSink : public SongSink {
 public:
  explicit SongListSink(SongList& songs) : songs_(songs) {}
  bool keepsLines() const override { return false; }
  void addSong(std::string_view path, std::string* info, EntryLines&&) override {
    songs_.add(path, info ? std::optional<std::string_view>(*info) : std::nullopt);
  }
  void addFileLines(std::vector<std::string>&, bool) override {}

 private:
  SongList& songs_;
};

// Turns M3U content lines into songs: the '#' lines standing between two
// paths belong to the second, the last "#EXTINF" one being its information
// line; those before the first path's information line belong to the file.
// The pending lines keep their capacity from song to song unless a sink
// takes them, so reading a library allocates nothing per song.
class M3uBody {
 public:
  M3uBody(SongSink& sink, std::ostream& progress) : sink_(sink), progress_(progress) {}

  void take(std::string_view content) {
    const std::string_view hash = hashLine(content);
    if (hash.empty()) {
      addSong(content);
    } else if (pendingCount_ < pending_.size()) {
      pending_[pendingCount_++].assign(hash);
    } else {
      pending_.emplace_back(hash);
      ++pendingCount_;
    }
  }

  // The '#' lines after the last path stay with the file.
  void finish() {
    pending_.resize(pendingCount_);
    sink_.addFileLines(pending_, sawPath_);
  }

 private:
  void addSong(std::string_view path) {
    std::size_t info = std::string::npos;
    for (std::size_t i = 0; i < pendingCount_; ++i) {
      if (isInfoLine(pending_[i])) info = i;
    }
    EntryLines lines;
    for (std::size_t i = 0; i < pendingCount_; ++i) {
      if (i == info) continue;
      if (i < info && isInfoLine(pending_[i])) {
        progress_ << "Duplicated extended playlist info skipped\n";
        continue;
      }
      if (sink_.keepsLines())
        (i < info ? lines.beforeInfo : lines.afterInfo).push_back(std::move(pending_[i]));
    }
    if (!sawPath_) sink_.addFileLines(lines.beforeInfo, false);
    sawPath_ = true;
    sink_.addSong(path, info == std::string::npos ? nullptr : &pending_[info], std::move(lines));
    pendingCount_ = 0;
  }

  SongSink& sink_;
  std::ostream& progress_;
  std::vector<std::string> pending_;  // the '#' lines since the last path
  std::size_t pendingCount_ = 0;      // how many of pending_ are in use
  bool sawPath_ = false;
};

void readM3uBody(file::InputFile& in, std::string_view& line, bool haveLine, SongSink& sink,
                 std::ostream& progress) {
  M3uBody body(sink, progress);
  for (; haveLine; haveLine = in.readLine(line)) {
    const std::string_view content = stripSpaces(line);
    if (!content.empty()) body.take(content);
  }
  body.finish();
}

size_t plsKeyLength(std::string_view line) {
  if (startsWithIgnoringCase(line, "file")) return 4;
  if (startsWithIgnoringCase(line, "title")) return 5;
  if (startsWithIgnoringCase(line, "length")) return 6;
  return 0;
}

// Text kept where it was first put, in blocks that never move, so that views
// of it stay valid and a large file costs no allocation per line. Blocks
// double up to two huge pages, as a SongList's do: a library of a million
// songs fills them with few page faults.
class TextStore {
 public:
  std::string_view keep(std::string_view text) {
    if (text.empty()) return {};
    if (free_ < text.size()) {
      nextBlock_ = std::min(nextBlock_ * 2, kLargestBlock);
      blocks_.emplace_back(std::max(nextBlock_, text.size()));
      next_ = blocks_.back().data();
      free_ = blocks_.back().size();
    }
    std::copy(text.begin(), text.end(), next_);
    const std::string_view kept(next_, text.size());
    next_ += text.size();
    free_ -= text.size();
    return kept;
  }

 private:
  static constexpr size_t kLargestBlock = 2 * sys_dep::HugeBuffer::kHugePage;
  std::vector<sys_dep::HugeBuffer> blocks_;
  size_t nextBlock_ = size_t{8} << 10;  // half the first block
  char* next_ = nullptr;
  size_t free_ = 0;
};

// The body of a PLS file. Its keys are kept to the end: a TitleN or LengthN
// belongs to the latest entry numbered N wherever it stands, and entries
// come out in the order of their numbers, so a file whose keys were sorted
// by name (File1, File10, File2, ..., Length1, ..., Title1, ...) keeps its
// songs, titles and lengths.
class PlsBody {
 public:
  // Takes one non-empty line; false when it is not a recognised key line.
  bool take(std::string_view content) {
    const size_t keyLength = plsKeyLength(content);
    if (keyLength == 0) return false;
    const size_t equals = content.find('=', keyLength);
    if (equals == std::string_view::npos) return false;
    const int number = atoiClamped(content.substr(keyLength));
    if (number <= 0) return false;
    keys_.push_back({text_.keep(content.substr(equals + 1)), number, static_cast<std::uint8_t>(keyLength)});
    return true;
  }

  // Hands the songs to `sink`: by number, those of one number in file order.
  // A FileN whose number has a path already starts a new entry.
  void finish(SongSink& sink) {
    const auto byNumber = [](const Key& a, const Key& b) { return a.number < b.number; };
    if (!std::is_sorted(keys_.begin(), keys_.end(), byNumber)) std::stable_sort(keys_.begin(), keys_.end(), byNumber);
    Song song;
    for (size_t k = 0; k < keys_.size(); ++k) {
      const Key& key = keys_[k];
      if (k > 0 && (key.number != keys_[k - 1].number || (key.keyLength == 4 && !song.path.empty()))) {
        song.appendTo(sink);
        song = Song();
      }
      song.field(key.keyLength) = key.value;
    }
    song.appendTo(sink);
  }

 private:
  struct Key {
    std::string_view value;
    int number;
    std::uint8_t keyLength;  // 4 file, 5 title, 6 length
  };

  // An entry without a path is dropped; without a title it has no
  // information line (its length is dropped with it).
  struct Song {
    std::string_view path, title, length;
    std::string_view& field(size_t keyLength) { return keyLength == 4 ? path : keyLength == 5 ? title : length; }
    void appendTo(SongSink& sink) const {
      if (path.empty()) return;
      if (title.empty()) {
        sink.addSong(path, nullptr, EntryLines());
      } else {
        std::string info = infoLineOf(atoiClamped(length), "", title);
        sink.addSong(path, &info, EntryLines());
      }
    }
  };

  TextStore text_;
  std::vector<Key, sys_dep::HugePageAllocator<Key>> keys_;
};

void readPlsBody(file::InputFile& in, std::string_view& line, bool haveLine, SongSink& sink,
                 std::ostream& warnings) {
  PlsBody body;
  for (; haveLine; haveLine = in.readLine(line)) {
    const std::string_view content = stripSpaces(line);
    if (content.empty() || body.take(content)) continue;
    if (content[0] != '\0') warnings << "Unexpected content ignored: '" << err::shown(content) << "'\n";
  }
  body.finish(sink);
}

// How a text playlist starts: its header, read with the first line.
enum class TextHeader { kEmpty, kExtended, kPlain, kPls };

// Reads the header of an M3U or PLS file whose first bytes were checked.
// Leaves in `line` the first content line (`haveLine` false: none), for PLS
// the header line. Raises "#EXTM3U awaited.".
TextHeader readTextHeader(file::InputFile& in, std::string_view& line, bool& haveLine) {
  in.skipPrefix("\xEF\xBB\xBF");
  haveLine = in.readLine(line);
  if (!haveLine) return TextHeader::kEmpty;
  // Blank lines before the first content do not tell the format.
  while (stripSpaces(line).empty()) {
    haveLine = in.readLine(line);
    if (!haveLine) return TextHeader::kPlain;
  }
  if (!line.empty() && line[0] == '#') {
    if (line != "#EXTM3U") headerError(in, "#EXTM3U awaited.");
    haveLine = in.readLine(line);
    return TextHeader::kExtended;
  }
  return isPlsHeaderLine(line) ? TextHeader::kPls : TextHeader::kPlain;
}

// After the "[playlist]" line: the first content line, less a
// "numberofentries=" line right behind the header.
void readPlsStart(file::InputFile& in, std::string_view& line, bool& haveLine) {
  if (!in.readLine(line)) headerError(in, "Unexpected end of file behind header");
  haveLine = true;
  if (startsWithIgnoringCase(line, "numberofentries=")) haveLine = in.readLine(line);
}

// Reads an M3U or PLS file whose first bytes were checked; returns whether
// it may be in the ANSI code page: M3U without a byte-order mark, where such
// files are written (sys_dep::hasAnsiPlaylists).
bool readTextPlaylist(file::InputFile& in, SongSink& sink, std::ostream& progress,
                      std::ostream& warnings) {
  const bool mayBeAnsi = sys_dep::hasAnsiPlaylists() && !in.startsWith("\xEF\xBB\xBF");
  std::string_view line;  // valid until the next line is read
  bool haveLine = false;
  switch (readTextHeader(in, line, haveLine)) {
    case TextHeader::kEmpty:
      progress << "Assuming input is an empty playlist in m3u format.\n";
      return false;
    case TextHeader::kExtended:
      progress << "Detected extended m3u format.\n";
      readM3uBody(in, line, haveLine, sink, progress);
      return mayBeAnsi;
    case TextHeader::kPlain:
      progress << "Assuming m3u format.\n";
      readM3uBody(in, line, haveLine, sink, progress);
      return mayBeAnsi;
    case TextHeader::kPls:
      sink.markPls();
      progress << "Detected pls format.\n";
      readPlsStart(in, line, haveLine);
      readPlsBody(in, line, haveLine, sink, warnings);
      return false;
  }
  return false;
}

// A library read from an ANSI playlist becomes UTF-8, as its songs are
// compared and copied as such.
void decodeSongs(SongList& songs, std::size_t from) {
  SongList decoded(songs.fileName());
  for (std::size_t k = 0; k < songs.size(); ++k) {
    const std::string path = k < from ? std::string(songs.path(k)) : sys_dep::fromAnsiCodePage(songs.path(k));
    if (!songs.hasInfo(k)) {
      decoded.add(path, std::nullopt);
    } else {
      decoded.add(path, k < from ? std::string(songs.info(k)) : sys_dep::fromAnsiCodePage(songs.info(k)));
    }
  }
  songs = std::move(decoded);
}

constexpr const char* kMediaRefusal = "Not a playlist: audio, video, image or archive data.";

// Whether a text file that starts with `head` has the header of a playlist
// (or a '#' line, which must be one).
bool startsLikePlaylistText(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  head.remove_prefix(std::min(head.size(), head.find_first_not_of(" \r\n")));  // blank lines tell nothing
  return head.starts_with('#') || isPlsHeaderLine(head.substr(0, head.find_first_of("\r\n")));
}

// Refuses what `in` has open when it is no playlist text, in this order: an
// audio name, UTF-16, the signature of media data, a cue sheet (a file
// without a playlist header only); returns whether the file is XML, whose
// root the XML reader judges.
bool checkPlaylistStart(file::InputFile& in) {
  if (isAudioFileName(in.fileName())) throw readerError(in.fileName(), 0, kMediaRefusal);
  if (in.startsWith("\xFF\xFE") || in.startsWith("\xFE\xFF")) {
    headerError(in, "UTF-16 text is not supported.");
  }
  const std::string_view head = in.unreadBlock();
  if (startsWithMediaSignature(head)) headerError(in, kMediaRefusal);
  if (looksLikeXml(head)) return true;
  if (!startsLikePlaylistText(head) && looksLikeCueSheet(head)) headerError(in, "Not a playlist: cue sheet.");
  return false;
}

// Writes the "Reading playlist" line for the file `in` has opened and
// refuses what is no playlist (checkPlaylistStart); returns whether the
// file is XML.
bool openPlaylist(file::InputFile& in, std::ostream& progress) {
  progress << "Reading playlist '" << err::shown(in.fileName()) << "'\n";
  return checkPlaylistStart(in);
}

}  // namespace

void readPlaylist(PlayList& list, std::ostream& progress, std::ostream& warnings) {
  file::InputFile in(list.fileName, kReadBlock);
  if (openPlaylist(in, progress)) {
    readXmlPlaylist(in, list, progress);
    return;
  }
  PlayListSink sink(list);
  const std::size_t first = list.entries.size();
  if (!readTextPlaylist(in, sink, progress, warnings)) return;
  list.ansiCodePage = std::any_of(list.entries.begin() + static_cast<std::ptrdiff_t>(first), list.entries.end(),
                                  [](const PlaylistEntry& e) { return !xml::isValidUtf8(e.path); });
}

void readSongs(SongList& songs, std::ostream& progress, std::ostream& warnings) {
  file::InputFile in(songs.fileName(), kReadBlock);
  if (openPlaylist(in, progress)) {
    PlayList list(songs.fileName());
    readXmlPlaylist(in, list, progress);
    list.xmlSource.reset();
    for (const PlaylistEntry& e : list.entries) songs.add(e);
    return;
  }
  SongListSink sink(songs);
  const std::size_t first = songs.size();
  if (!readTextPlaylist(in, sink, progress, warnings)) return;
  for (std::size_t k = first; k < songs.size(); ++k) {
    if (!xml::isValidUtf8(songs.path(k))) return decodeSongs(songs, first);
  }
}

void detectPlaylist(PlayList& list) {
  file::InputFile in(list.fileName, kReadBlock);
  if (checkPlaylistStart(in)) {
    std::ostream discard(nullptr);
    readXmlPlaylist(in, list, discard);
    return;
  }
  std::string_view line;
  bool haveLine = false;
  if (readTextHeader(in, line, haveLine) == TextHeader::kPls) list.plsFormat = true;
}

err::Error readerError(const std::string& fileName, std::uint64_t line, const std::string& message) {
  return err::Error(true, err::formatString("Error in %s (#%llu): %s", fileName.c_str(),
                                            static_cast<unsigned long long>(line), message.c_str()));
}

}  // namespace kw
