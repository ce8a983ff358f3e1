#include "playlist/playlist.h"

#include <utility>

#include "Lib/kw/sys_dep/code_page.h"
#include "playlist/numbers.h"

namespace kw {
namespace {

template <typename T>
std::unique_ptr<T> deepCopy(const std::unique_ptr<T>& from) {
  return from ? std::make_unique<T>(*from) : nullptr;
}

void decodeLines(std::vector<std::string>& lines) {
  for (std::string& line : lines) line = sys_dep::fromAnsiCodePage(line);
}

}  // namespace

PlaylistEntry::PlaylistEntry(std::string path, std::string extInfoText)
    : extInfo(extInfoText.empty() ? nullptr : std::make_unique<std::string>(std::move(extInfoText))),
      path(std::move(path)) {}

PlaylistEntry::PlaylistEntry(const PlaylistEntry& other)
    : extInfo(deepCopy(other.extInfo)),
      otherLines(deepCopy(other.otherLines)),
      path(other.path),
      deleted(other.deleted) {}

PlaylistEntry& PlaylistEntry::operator=(const PlaylistEntry& other) {
  if (this != &other) {
    extInfo = deepCopy(other.extInfo);
    otherLines = deepCopy(other.otherLines);
    path = other.path;
    deleted = other.deleted;
  }
  return *this;
}

PlaylistEntry::~PlaylistEntry() = default;

PlayList::PlayList(std::string fileName) : fileName(std::move(fileName)) {}

PlayList::~PlayList() = default;

std::string infoLineOf(int seconds, std::string_view artist, std::string_view title) {
  std::string line = "#EXTINF:" + std::to_string(seconds) + ",";
  if (!artist.empty()) (line += artist) += " - ";
  return line += title;
}

PlaylistEntry decodedFromAnsi(const PlaylistEntry& entry) {
  PlaylistEntry decoded(entry);
  decoded.path = sys_dep::fromAnsiCodePage(entry.path);
  if (decoded.extInfo) *decoded.extInfo = sys_dep::fromAnsiCodePage(*decoded.extInfo);
  if (decoded.otherLines) {
    decodeLines(decoded.otherLines->beforeInfo);
    decodeLines(decoded.otherLines->afterInfo);
  }
  return decoded;
}

void decodeAnsiCodePage(PlayList& list) {
  if (!list.ansiCodePage) return;
  for (PlaylistEntry& entry : list.entries) entry = decodedFromAnsi(entry);
  decodeLines(list.fileLines);
  decodeLines(list.trailingLines);
  list.ansiCodePage = false;
}

InfoParts infoParts(std::string_view info) {
  if (startsWithIgnoringCase(info, "#extinf:")) info.remove_prefix(8);
  const size_t comma = info.find(',');
  if (comma == std::string_view::npos) return {info, std::nullopt};
  return {info.substr(comma + 1), info.substr(0, comma)};
}

}  // namespace kw
