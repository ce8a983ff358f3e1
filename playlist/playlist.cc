#include "playlist/playlist.h"

#include <utility>

#include "playlist/numbers.h"

namespace kw {
namespace {

template <typename T>
std::unique_ptr<T> deepCopy(const std::unique_ptr<T>& from) {
  return from ? std::make_unique<T>(*from) : nullptr;
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

InfoParts infoParts(std::string_view info) {
  if (startsWithIgnoringCase(info, "#extinf:")) info.remove_prefix(8);
  const size_t comma = info.find(',');
  if (comma == std::string_view::npos) return {info, std::nullopt};
  return {info.substr(comma + 1), info.substr(0, comma)};
}

}  // namespace kw
