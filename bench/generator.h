// Synthetic music libraries and broken playlists for the benchmarks.
//
// Everything here is a pure function of its seed: the generator uses its own
// PRNG and its own integer mapping (no std distributions, whose output differs
// between standard libraries), so the same seed gives the same bytes on every
// machine and compiler.
#ifndef BENCH_GENERATOR_H_
#define BENCH_GENERATOR_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "playlist/playlist.h"

namespace bench {

// splitmix64: tiny, fast, and fully specified by its few lines.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  // Uniform enough in [0, n) for test data; n must be > 0.
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  // Inclusive range; lo <= hi.
  int between(int lo, int hi) { return lo + static_cast<int>(below(static_cast<std::size_t>(hi - lo + 1))); }
  bool percent(unsigned p) { return below(100) < p; }
  template <typename T>
  const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

 private:
  std::uint64_t state_;
};

enum class PathStyle { kPosix, kWindows };

// One song of a generated library, kept in parts so that broken playlists can
// rename one directory level at a time.
struct Song {
  std::string artist;    // directory name
  std::string album;     // directory name
  std::string fileName;  // "NN - Title.ext"
  std::string title;     // as in the #EXTINF line
  int seconds = 0;
};

struct LibrarySpec {
  std::size_t songs = 1000;
  std::uint64_t seed = 1;
  PathStyle style = PathStyle::kPosix;
};

struct Library {
  PathStyle style = PathStyle::kPosix;
  std::string root;  // ends with the separator: "/music/" or "C:\Music\"
  std::vector<Song> songs;

  char separator() const { return style == PathStyle::kWindows ? '\\' : '/'; }
  // root + artist + sep + album + sep + fileName: 60 to 120 bytes.
  std::string path(const Song& song) const;
  // "#EXTINF:<seconds>,<artist> - <title>"
  static std::string extInfo(const Song& song);
  // The library as a valid playlist named `fileName`, every entry with #EXTINF.
  kw::PlayList playlist(const std::string& fileName) const;
};

// `spec.songs` distinct songs grouped as artist / album / track, with UTF-8
// names, digits and blanks, and a few titles repeated across albums (the live
// versions and compilations a duplicate finder should find). Lengths are
// spread evenly over 90 to 600 s; 1% of the songs have none (0).
Library makeLibrary(const LibrarySpec& spec);

// How a broken playlist differs from its library. Each entry is first drawn as
// still valid (`validPercent`) or broken; a broken entry gets the old root with
// `movedRootPercent`, and then one damage drawn from the weights below (an
// entry whose root did not move always gets one).
struct BrokenSpec {
  std::size_t entries = 200;
  std::uint64_t seed = 2;
  unsigned validPercent = 15;
  unsigned movedRootPercent = 70;
  unsigned renamedDirWeight = 20;
  unsigned recasedDirWeight = 15;
  unsigned renamedFileWeight = 25;
  unsigned droppedWeight = 10;  // another song, by the same artist, not in the library
  unsigned rootOnlyWeight = 30; // nothing but the moved root
  unsigned extInfoPercent = 90; // entries that keep an #EXTINF line
};

// A playlist of `spec.entries` songs of `library` (distinct while there are
// enough songs) in random order, damaged as `spec` says. With `origins`, it
// receives per entry the index of the library song it came from, or none
// when that song is gone; the playlist does not depend on it.
kw::PlayList makeBrokenPlaylist(const Library& library, const BrokenSpec& spec,
                                const std::string& fileName,
                                std::vector<std::optional<std::size_t>>* origins = nullptr);

// Writes `list` as extended M3U (plain when no entry has a line) to `fileName`,
// independently of the project's writer. Throws std::runtime_error on failure.
void writeM3u(const kw::PlayList& list, const std::string& fileName);

// FNV-1a over every path and line, to pin the generator's output in tests.
std::uint64_t fingerprint(const kw::PlayList& list);

}  // namespace bench

#endif  // BENCH_GENERATOR_H_
