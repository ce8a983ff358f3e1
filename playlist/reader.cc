#include "playlist/reader.h"

#include <climits>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/file/input_file.h"
#include "playlist/numbers.h"
#include "playlist/signatures.h"
#include "playlist/xml_playlist.h"

namespace kw {
namespace {

// Large blocks: a library of a million songs is over 100 MB, and every block
// costs a system call. Line splitting does not depend on the block size.
constexpr unsigned kReadBlock = 1 << 16;

[[noreturn]] void headerError(const file::InputFile& in, const char* message) {
  throw err::Error(true, err::formatString("Error in %s (#%llu): %s", in.fileName().c_str(),
                                           static_cast<unsigned long long>(in.lineNumber()),
                                           message));
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

// Turns M3U content lines into entries: the '#' lines standing between two
// paths belong to the second, the last "#EXTINF" one being its information
// line; those before the first path's information line belong to the file.
class M3uBody {
 public:
  M3uBody(PlayList& list, std::ostream& progress) : list_(list), progress_(progress) {}

  void take(std::string_view content) {
    const std::string_view hash = hashLine(content);
    if (!hash.empty()) {
      pending_.emplace_back(hash);
    } else {
      addEntry(content);
    }
  }

  // The '#' lines after the last path stay with the file.
  void finish() { moveLines(pending_, sawPath_ ? list_.trailingLines : list_.fileLines); }

 private:
  void addEntry(std::string_view path) {
    size_t info = std::string::npos;
    for (size_t i = 0; i < pending_.size(); ++i) {
      if (isInfoLine(pending_[i])) info = i;
    }
    PlaylistEntry& entry = list_.entries.emplace_back(
        std::string(path), info == std::string::npos ? std::string() : std::move(pending_[info]));
    EntryLines lines;
    for (size_t i = 0; i < pending_.size(); ++i) {
      if (i == info) continue;
      if (i < info && isInfoLine(pending_[i])) {
        progress_ << "Duplicated extended playlist info skipped\n";
        continue;
      }
      (i < info ? lines.beforeInfo : lines.afterInfo).push_back(std::move(pending_[i]));
    }
    pending_.clear();
    if (!sawPath_) moveLines(lines.beforeInfo, list_.fileLines);
    sawPath_ = true;
    if (!lines.beforeInfo.empty() || !lines.afterInfo.empty()) {
      entry.otherLines = std::make_unique<EntryLines>(std::move(lines));
    }
  }

  PlayList& list_;
  std::ostream& progress_;
  std::vector<std::string> pending_;  // the '#' lines since the last path
  bool sawPath_ = false;
};

void readM3uBody(file::InputFile& in, std::string& line, bool haveLine, PlayList& list,
                 std::ostream& progress) {
  M3uBody body(list, progress);
  for (; haveLine; haveLine = in.readLine(line)) {
    const std::string_view content = stripSpaces(line);
    if (!content.empty()) body.take(content);
  }
  body.finish();
}

// The song a PLS reader collects from the keys of one index.
struct PendingSong {
  int index = 0;
  std::string path, title, length;

  void appendTo(PlayList& list) const {
    if (path.empty()) return;
    if (title.empty()) {
      list.entries.emplace_back(path);
    } else {
      list.entries.emplace_back(path, "#EXTINF:" + std::to_string(atoiClamped(length)) + "," + title);
    }
  }
  std::string* field(size_t keyLength) {
    return keyLength == 4 ? &path : keyLength == 5 ? &title : &length;
  }
};

size_t plsKeyLength(std::string_view line) {
  if (startsWithIgnoringCase(line, "file")) return 4;
  if (startsWithIgnoringCase(line, "title")) return 5;
  if (startsWithIgnoringCase(line, "length")) return 6;
  return 0;
}

// Takes one non-empty PLS line; false when it is not a recognised key line.
bool readPlsLine(std::string_view content, PendingSong& song, PlayList& list) {
  const size_t keyLength = plsKeyLength(content);
  if (keyLength == 0) return false;
  const size_t equals = content.find('=', keyLength);
  if (equals == std::string_view::npos) return false;
  const int index = atoiClamped(content.substr(keyLength));
  if (index <= 0) return false;
  if (index != song.index) {
    song.appendTo(list);
    song = PendingSong();
    song.index = index;
  }
  song.field(keyLength)->assign(content.substr(equals + 1));
  return true;
}

void readPlsBody(file::InputFile& in, std::string& line, bool haveLine, PlayList& list,
                 std::ostream& warnings) {
  PendingSong song;
  for (; haveLine; haveLine = in.readLine(line)) {
    const std::string_view content = stripSpaces(line);
    if (content.empty() || readPlsLine(content, song, list)) continue;
    if (content[0] != '\0') warnings << "Unexpected content ignored: '" << content << "'\n";
  }
  song.appendTo(list);
}

}  // namespace

void readPlaylist(PlayList& list, std::ostream& progress, std::ostream& warnings) {
  file::InputFile in(list.fileName, kReadBlock);
  progress << "Reading playlist '" << list.fileName << "'\n";
  if (in.startsWith("\xFF\xFE") || in.startsWith("\xFE\xFF")) {
    headerError(in, "UTF-16 text is not supported.");
  }
  if (startsWithMediaSignature(in.unreadBlock())) {
    headerError(in, "Not a playlist: audio, video, image or archive data.");
  }
  if (looksLikeXml(in.unreadBlock())) {
    readXmlPlaylist(in, list, progress);
    return;
  }
  in.skipPrefix("\xEF\xBB\xBF");
  std::string line;
  bool haveLine = in.readLine(line);
  if (!haveLine) {
    progress << "Assuming input is an empty playlist in m3u format.\n";
    return;
  }
  if (!line.empty() && line[0] == '#') {
    if (line != "#EXTM3U") headerError(in, "#EXTM3U awaited.");
    progress << "Detected extended m3u format.\n";
    readM3uBody(in, line, in.readLine(line), list, progress);
    return;
  }
  if (!isPlsHeaderLine(line)) {
    progress << "Assuming m3u format.\n";
    readM3uBody(in, line, true, list, progress);
    return;
  }
  list.plsFormat = true;
  progress << "Detected pls format.\n";
  if (!in.readLine(line)) headerError(in, "Unexpected end of file behind header");
  haveLine = true;
  if (startsWithIgnoringCase(line, "numberofentries=")) haveLine = in.readLine(line);
  readPlsBody(in, line, haveLine, list, warnings);
}

}  // namespace kw
