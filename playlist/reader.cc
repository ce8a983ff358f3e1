#include "playlist/reader.h"

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

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
  throw err::Error(true, err::formatString("Error in %s (#%i): %s", in.fileName().c_str(),
                                           in.lineNumber(), message));
}

std::string_view stripSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// M3U body: '#' lines become the information of the next path line.
void readM3uBody(file::InputFile& in, std::string& line, bool haveLine, PlayList& list,
                 std::ostream& progress) {
  std::string pending;
  for (; haveLine; haveLine = in.readLine(line)) {
    const std::string_view content = stripSpaces(line);
    if (content.empty()) continue;
    if (content[0] == '#') {
      if (!pending.empty()) progress << "Duplicated extended playlist info skipped\n";
      pending.assign(content);
      continue;
    }
    list.entries.emplace_back(std::string(content), std::move(pending));
    pending.clear();  // a moved-from string is valid but unspecified
  }
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
