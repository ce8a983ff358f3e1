#include "bench/generator.h"

#include <set>
#include <string>

#include "gtest/gtest.h"

namespace bench {
namespace {

constexpr std::uint64_t kPinnedLibrary = 946702442981076875ull;
constexpr std::uint64_t kPinnedBroken = 4651726608286397747ull;

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

TEST(GeneratorTest, BrokenPlaylistMixesValidMovedDamagedAndDroppedEntries) {
  LibrarySpec spec;
  spec.songs = 5000;
  Library library = makeLibrary(spec);
  std::set<std::string> paths;
  for (const Song& song : library.songs) paths.insert(library.path(song));
  BrokenSpec broken;
  broken.entries = 2000;
  kw::PlayList list = makeBrokenPlaylist(library, broken, "y");
  ASSERT_EQ(list.entries.size(), 2000u);
  int valid = 0, moved = 0, gone = 0, withInfo = 0;
  for (const kw::PlaylistEntry& entry : list.entries) {
    valid += paths.count(entry.path) ? 1 : 0;
    moved += entry.path.compare(0, 7, "/music/") != 0 ? 1 : 0;
    gone += entry.path.find(" (gone)") != std::string::npos ? 1 : 0;
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
