#include "playlist/playlist.h"

#include <utility>

namespace kw {

PlaylistEntry::PlaylistEntry(std::string path, std::string extInfoText)
    : extInfo(extInfoText.empty() ? nullptr : std::make_unique<std::string>(std::move(extInfoText))),
      path(std::move(path)) {}

PlaylistEntry::PlaylistEntry(const PlaylistEntry& other)
    : extInfo(other.extInfo ? std::make_unique<std::string>(*other.extInfo) : nullptr),
      path(other.path),
      deleted(other.deleted) {}

PlaylistEntry& PlaylistEntry::operator=(const PlaylistEntry& other) {
  if (this != &other) {
    extInfo = other.extInfo ? std::make_unique<std::string>(*other.extInfo) : nullptr;
    path = other.path;
    deleted = other.deleted;
  }
  return *this;
}

PlaylistEntry::~PlaylistEntry() = default;

PlayList::PlayList(std::string fileName) : fileName(std::move(fileName)) {}

PlayList::~PlayList() = default;

}  // namespace kw
