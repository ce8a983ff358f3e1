#include "library/song_tags.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tdebuglistener.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "Lib/kw/sys_dep/input_handle.h"
#include "library/folder_walk.h"
#include "library/song_stream.h"
#include "playlist/playlist.h"

namespace kw {
namespace {

// TagLib reports damaged files on standard error in some builds; the scan
// says what it skipped itself, so its messages go nowhere.
class SilentListener : public TagLib::DebugListener {
 public:
  void printMessage(const TagLib::String&) override {}
};

void silenceTagLib() {
  static SilentListener listener;
  static const bool silenced = [] {
    TagLib::setDebugListener(&listener);
    return true;
  }();
  (void)silenced;
}

std::string cleanText(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string utf8(const TagLib::String& text) { return text.to8Bit(true); }

SongTags tagsOf(const TagLib::FileRef& file) {
  SongTags tags;
  if (const TagLib::Tag* tag = file.tag()) {
    tags.title = utf8(tag->title());
    tags.artist = utf8(tag->artist());
  }
  if (const TagLib::AudioProperties* properties = file.audioProperties())
    tags.seconds = properties->lengthInSeconds();
  return tags;
}

}  // namespace

std::string infoLine(const SongTags& tags) {
  const std::string title = cleanText(tags.title);
  if (title.empty()) return "";
  return infoLineOf(std::max(0, tags.seconds), cleanText(tags.artist), title);
}

SongRead readSong(const std::string& path) {
  silenceTagLib();
  SongRead read;
  // Opened for pieces, which never blocks: a song name on a pipe must not
  // stop the scan.
  std::optional<sys_dep::InputHandle> opened = sys_dep::InputHandle::open(path, sys_dep::InputHandle::Use::kPieces);
  if (!opened) {
    read.failure = systemReason(errno);
    return read;
  }
  read.opened = true;
  SongStream stream(std::move(*opened), path);
  const TagLib::FileRef file(&stream, true, TagLib::AudioProperties::Average);
  if (!file.isNull()) read.infoLine = infoLine(tagsOf(file));
  if (stream.exhausted()) {
    read.tagsUnreadable = true;
    read.infoLine.clear();
  }
  return read;
}

}  // namespace kw
