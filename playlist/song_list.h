// The songs of a library held compactly: a validList of a million songs is
// read once and then only looked up, so its paths and information lines are
// stored back to back in large blocks, 16 bytes of bookkeeping per song,
// instead of as playlist entries with their own heap strings.
#ifndef PLAYLIST_SONG_LIST_H_
#define PLAYLIST_SONG_LIST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist.h"

namespace kw {

// The longest path or information line a SongList holds.
constexpr std::size_t kSongTextLimit = 0xFFFFFFFE;

class SongList {
 public:
  explicit SongList(std::string fileName = std::string());
  // The paths and information lines of `list`, deleted entries included.
  // Throws as add() does.
  explicit SongList(const PlayList& list);
  SongList(SongList&&) noexcept = default;
  SongList& operator=(SongList&&) noexcept = default;

  // Appends a song; `info` is its information line, or none. Throws
  // kw::err::Error("The valid playlist is too large (more than 4 GiB of
  // text).") when the path or the line is longer than the limit.
  void add(std::string_view path, std::optional<std::string_view> info);
  // Lets add() grow the bookkeeping without copying it again and again.
  void reserve(std::size_t songs) { songs_.reserve(songs); }

  std::size_t size() const { return songs_.size(); }
  bool empty() const { return songs_.empty(); }
  std::string_view path(std::size_t k) const { return {songs_[k].text, songs_[k].pathSize}; }
  bool hasInfo(std::size_t k) const { return songs_[k].infoSize != kNoInfo; }
  // The information line; empty when the song has none.
  std::string_view info(std::size_t k) const {
    return hasInfo(k) ? std::string_view(songs_[k].text + songs_[k].pathSize, songs_[k].infoSize)
                      : std::string_view();
  }
  // Song `k` as a playlist entry of its own.
  PlaylistEntry entry(std::size_t k) const;

  // The playlist the songs came from.
  const std::string& fileName() const { return fileName_; }

 private:
  static constexpr std::uint32_t kNoInfo = 0xFFFFFFFF;
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  struct Song {
    const char* text;  // the path, right behind it the line
    std::uint32_t pathSize;
    std::uint32_t infoSize;  // kNoInfo: none
  };

  char* room(std::size_t bytes);

  std::string fileName_;
  std::vector<Song> songs_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the unused end of the last block
  std::size_t freeSize_ = 0;
};

// Lowers the limit of add() below kSongTextLimit for lists filled
// afterwards, so that a test can reach it; returns the previous limit.
std::size_t setSongTextLimitForTesting(std::size_t bytes);

}  // namespace kw

#endif  // PLAYLIST_SONG_LIST_H_
