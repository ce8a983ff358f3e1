#include "playlist/song_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Lib/kw/err/error.h"

namespace kw {
namespace {

std::size_t songTextLimit = kSongTextLimit;

}  // namespace

SongList::SongList(std::string fileName) : fileName_(std::move(fileName)) {}

SongList::SongList(const PlayList& list) : fileName_(list.fileName) {
  for (const PlaylistEntry& e : list.entries) add(e);
}

void SongList::add(const PlaylistEntry& entry) {
  add(entry.path, entry.extInfo ? std::optional<std::string_view>(*entry.extInfo) : std::nullopt);
}

void SongList::add(std::string_view path, std::optional<std::string_view> info) {
  if (path.size() > songTextLimit || (info && info->size() > songTextLimit))
    throw err::Error("The valid playlist is too large (more than 4 GiB of text).");
  const std::size_t infoSize = info ? info->size() : 0;
  char* text = room(path.size() + infoSize);
  std::memcpy(text, path.data(), path.size());
  if (info) std::memcpy(text + path.size(), info->data(), infoSize);
  songs_.push_back({text, static_cast<std::uint32_t>(path.size()),
                    info ? static_cast<std::uint32_t>(infoSize) : kNoInfo});
}

// Text never moves once placed, so songs can point into their block; a song
// larger than a block gets a block of its own.
char* SongList::room(std::size_t bytes) {
  if (bytes > freeSize_) {
    const std::size_t grown = std::min(kLargestBlock, kFirstBlock << std::min<std::size_t>(blocks_.size(), 16));
    blocks_.emplace_back(std::max(bytes, grown));
    free_ = blocks_.back().data();
    freeSize_ = blocks_.back().size();
  }
  char* place = free_;
  free_ += bytes;
  freeSize_ -= bytes;
  return place;
}

PlaylistEntry SongList::entry(std::size_t k) const {
  return PlaylistEntry(std::string(path(k)), std::string(info(k)));
}

std::size_t setSongTextLimitForTesting(std::size_t bytes) {
  return std::exchange(songTextLimit, std::min(bytes, kSongTextLimit));
}

}  // namespace kw
