// The songs of a library held compactly: a validList of a million songs is
// read once and then only looked up, so its paths and information lines are
// stored back to back in large blocks, 16 bytes of bookkeeping per song,
// instead of as playlist entries with their own heap strings. Move-only.
#ifndef PLAYLIST_SONG_LIST_H_
#define PLAYLIST_SONG_LIST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/sys_dep/huge_buffer.h"
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
  // Appends the path and information line of `entry`; throws as above.
  void add(const PlaylistEntry& entry);
  std::size_t size() const { return songs_.size(); }
  bool empty() const { return songs_.empty(); }
  std::string_view path(std::size_t k) const { return {song(k).text, song(k).pathSize}; }
  bool hasInfo(std::size_t k) const { return song(k).infoSize != kNoInfo; }
  // The information line; empty when the song has none.
  std::string_view info(std::size_t k) const {
    const Song& s = song(k);
    return s.infoSize != kNoInfo ? std::string_view(s.text + s.pathSize, s.infoSize) : std::string_view();
  }
  // Song `k` as a playlist entry of its own.
  PlaylistEntry entry(std::size_t k) const;

  // The playlist the songs came from.
  const std::string& fileName() const { return fileName_; }

 private:
  static constexpr std::uint32_t kNoInfo = 0xFFFFFFFF;
  struct Song {
    const char* text;  // the path, right behind it the line
    std::uint32_t pathSize;
    std::uint32_t infoSize;  // kNoInfo: none
  };
  // Text grows in blocks that double up to two huge pages, so a small list
  // stays small and a large one fills with few page faults; it never moves.
  static constexpr std::size_t kFirstBlock = std::size_t{64} << 10;
  static constexpr std::size_t kLargestBlock = 2 * sys_dep::HugeBuffer::kHugePage;

  const Song& song(std::size_t k) const { return songs_[k]; }
  char* room(std::size_t bytes);

  std::string fileName_;
  std::vector<Song, sys_dep::HugePageAllocator<Song>> songs_;
  std::vector<sys_dep::HugeBuffer> blocks_;
  char* free_ = nullptr;  // the unused end of the last block
  std::size_t freeSize_ = 0;
};

// Lowers the limit of add() below kSongTextLimit for lists filled
// afterwards, so that a test can reach it; returns the previous limit.
std::size_t setSongTextLimitForTesting(std::size_t bytes);

}  // namespace kw

#endif  // PLAYLIST_SONG_LIST_H_
