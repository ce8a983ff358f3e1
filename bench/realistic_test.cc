#include "bench/realistic.h"

#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "gtest/gtest.h"

namespace bench {
namespace {

std::string fieldsOf(const RealSong& s) {
  return s.artist + '|' + s.album + '|' + s.title + '|' + s.newArtist + '|' + s.newTitle + '|' + s.listedArtist +
         '|' + s.listedTitle + '|' + std::to_string(s.milliseconds) + '|' + std::to_string(s.seconds) + '|' +
         s.oldPath + '|' + s.newPath + '|' + std::to_string(static_cast<int>(s.newTags));
}

TEST(RealisticTest, SameSeedSameMessAndTheCleanSongsStayAsDrawn) {
  const RealLibrary a = makeRealLibrary(600, 3), b = makeRealLibrary(600, 3), clean = makeRealLibrary(600, 3, false);
  ASSERT_EQ(a.songs.size(), b.songs.size());
  for (std::size_t k = 0; k < a.songs.size(); ++k) EXPECT_EQ(fieldsOf(a.songs[k]), fieldsOf(b.songs[k]));
  ASSERT_GT(a.songs.size(), clean.songs.size());
  for (std::size_t k = 0; k < clean.songs.size(); ++k) {
    EXPECT_EQ(a.songs[k].artist, clean.songs[k].artist);
    EXPECT_EQ(a.songs[k].milliseconds, clean.songs[k].milliseconds);
    EXPECT_EQ(a.songs[k].newPath.empty(), clean.songs[k].newPath.empty());
    EXPECT_EQ(clean.songs[k].newTitle, clean.songs[k].title);
  }
}

// Every kind of mess is drawn, and no two files share a path.
TEST(RealisticTest, EveryKindOfMessAndDistinctPaths) {
  const RealLibrary library = makeRealLibrary(2400, 1);
  std::map<std::tuple<std::string, std::string, int>, std::set<std::string>> albumsOfRecording;
  std::map<std::pair<std::string, std::string>, std::vector<const RealSong*>> byTitle;
  std::set<std::string> oldPaths, newPaths;
  for (const RealSong& s : library.songs) {
    EXPECT_TRUE(oldPaths.insert(s.oldPath).second) << s.oldPath;
    EXPECT_TRUE(s.newPath.empty() || newPaths.insert(s.newPath).second) << s.newPath;
    if (s.newPath.empty() || s.tags != SongTags::kFull) continue;
    albumsOfRecording[{s.artist, s.title, s.milliseconds}].insert(s.album);
    byTitle[{s.artist, s.title}].push_back(&s);
  }
  int onTwoAlbums = 0, versions = 0;
  for (const auto& [recording, albums] : albumsOfRecording) onTwoAlbums += albums.size() > 1;
  for (const auto& [title, songs] : byTitle)
    for (const RealSong* s : songs)
      for (const RealSong* t : songs)
        versions += s->milliseconds < t->milliseconds && t->milliseconds - s->milliseconds <= 2500 &&
                    s->album != t->album;
  EXPECT_GE(onTwoAlbums, 150);
  EXPECT_GE(versions, 40);
  const struct {
    const char* mess;
    std::function<bool(const RealSong&)> shows;
    int atLeast;
  } kinds[] = {
      {"remaster title", [](const RealSong& s) { return s.newTitle.find("Remaster") != std::string::npos &&
                                                        s.title.find("Remaster") == std::string::npos; }, 30},
      {"feat. in artist", [](const RealSong& s) { return s.newArtist.find(" feat. ") != std::string::npos; }, 3},
      {"feat. in title", [](const RealSong& s) { return s.newTitle.find("(feat. ") != s.title.find("(feat. "); }, 6},
      {"typo fixed", [](const RealSong& s) { return s.newTitle.size() == s.title.size() && s.newTitle != s.title; },
       3},
      {"& made and", [](const RealSong& s) { return s.newArtist.find(" and ") != s.artist.find(" and "); }, 6},
      {"untagged now", [](const RealSong& s) { return s.newTags == SongTags::kNone && s.tags != SongTags::kNone; },
       25},
      {"2-3 s longer", [](const RealSong& s) { return s.seconds - (s.milliseconds + 500) / 1000 >= 2; }, 25},
      {"file name not the tag",
       [](const RealSong& s) {
         return s.oldPath.find(" (Remastered).") != std::string::npos &&
                s.title.find("(Remastered)") == std::string::npos;
       },
       30},
      {"older tags listed", [](const RealSong& s) { return !s.listedTitle.empty() || !s.listedArtist.empty(); }, 50},
      {"Various Artists", [](const RealSong& s) { return s.oldPath.starts_with("Various Artists/"); }, 50},
      {"single", [](const RealSong& s) { return s.album.ends_with("Single") || s.album.ends_with("(Single)"); }, 5},
  };
  for (const auto& kind : kinds) {
    int count = 0;
    for (const RealSong& s : library.songs) count += !s.newPath.empty() && kind.shows(s);
    EXPECT_GE(count, kind.atLeast) << kind.mess;
  }
}

}  // namespace
}  // namespace bench
