#include "bench/generator.h"

#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "gtest/gtest.h"

namespace bench {
namespace {

constexpr std::uint64_t kPinnedLibrary = 4694894989353713027ull;
constexpr std::uint64_t kPinnedBroken = 8241171980042382793ull;

TEST(GeneratorTest, SameSeedSameBytesDifferentSeedDifferentBytes) {
  LibrarySpec spec;
  spec.songs = 2000;
  Library a = makeLibrary(spec);
  Library b = makeLibrary(spec);
  EXPECT_EQ(fingerprint(a.playlist("x")), fingerprint(b.playlist("x")));
  spec.seed = 2;
  EXPECT_NE(fingerprint(a.playlist("x")), fingerprint(makeLibrary(spec).playlist("x")));
  // Pinned, so that a change of compiler or standard library that changes the
  // data (and so every published figure) is noticed.
  EXPECT_EQ(fingerprint(a.playlist("x")), kPinnedLibrary);
  EXPECT_EQ(fingerprint(makeBrokenPlaylist(a, BrokenSpec(), "y")), kPinnedBroken);
}

TEST(GeneratorTest, PathsAreDistinctAndSixtyToOneHundredTwentyBytes) {
  for (PathStyle style : {PathStyle::kPosix, PathStyle::kWindows}) {
    LibrarySpec spec;
    spec.songs = 20000;
    spec.style = style;
    kw::PlayList list = makeLibrary(spec).playlist("x");
    ASSERT_EQ(list.entries.size(), 20000u);
    std::set<std::string> paths;
    bool utf8 = false;
    for (const kw::PlaylistEntry& entry : list.entries) {
      EXPECT_GE(entry.path.size(), 60u) << entry.path;
      EXPECT_LE(entry.path.size(), 120u) << entry.path;
      EXPECT_TRUE(paths.insert(entry.path).second) << entry.path;
      ASSERT_TRUE(entry.extInfo);
      EXPECT_EQ(entry.extInfo->compare(0, 8, "#EXTINF:"), 0);
      for (unsigned char c : entry.path) utf8 = utf8 || c >= 0x80;
    }
    EXPECT_TRUE(utf8);
    EXPECT_EQ(list.entries[0].path.compare(0, style == PathStyle::kPosix ? 7 : 9,
                                           style == PathStyle::kPosix ? "/music/" : "C:\\Music\\"),
              0);
  }
}

TEST(GeneratorTest, LengthsSpreadOverNinetyToSixHundredSecondsOnePercentUnknown) {
  LibrarySpec spec;
  spec.songs = 20000;
  const Library library = makeLibrary(spec);
  int unknown = 0, low = 0, high = 0;
  for (const Song& song : library.songs) {
    unknown += song.seconds == 0;
    if (song.seconds == 0) continue;
    EXPECT_GE(song.seconds, 87);  // repeated songs drift by up to 3 s
    EXPECT_LE(song.seconds, 603);
    low += song.seconds < 345;
    high += song.seconds >= 345;
  }
  EXPECT_GT(unknown, 100);
  EXPECT_LT(unknown, 300);
  EXPECT_LT(std::abs(low - high), 800);  // evenly spread: halves within 4%
}

TEST(GeneratorTest, BrokenPlaylistMixesValidMovedDamagedAndDroppedEntries) {
  LibrarySpec spec;
  spec.songs = 5000;
  Library library = makeLibrary(spec);
  std::set<std::string> paths;
  for (const Song& song : library.songs) paths.insert(library.path(song));
  BrokenSpec broken;
  broken.entries = 2000;
  std::vector<std::optional<std::size_t>> origins;
  kw::PlayList list = makeBrokenPlaylist(library, broken, "y", &origins);
  ASSERT_EQ(list.entries.size(), 2000u);
  ASSERT_EQ(origins.size(), 2000u);
  EXPECT_EQ(fingerprint(list), fingerprint(makeBrokenPlaylist(library, broken, "y")));
  int valid = 0, moved = 0, gone = 0, withInfo = 0;
  for (std::size_t e = 0; e < list.entries.size(); ++e) {
    const kw::PlaylistEntry& entry = list.entries[e];
    const bool isGone = entry.path.find(" (gone)") != std::string::npos;
    EXPECT_EQ(isGone, !origins[e]) << entry.path;
    if (paths.count(entry.path)) {
      ++valid;
      EXPECT_EQ(library.path(library.songs[*origins[e]]), entry.path);
    }
    moved += entry.path.compare(0, 7, "/music/") != 0 ? 1 : 0;
    gone += isGone ? 1 : 0;
    withInfo += entry.extInfo ? 1 : 0;
  }
  EXPECT_GT(valid, 200);
  EXPECT_LT(valid, 400);
  EXPECT_GT(moved, 1000);
  EXPECT_GT(gone, 100);
  EXPECT_GT(withInfo, 1700);
  EXPECT_LT(withInfo, 2000);
}

}  // namespace
}  // namespace bench
