#include "repair/identity.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kw {
namespace {

TEST(FoldedTextTest, FoldsCaseAccentsAndSeparators) {
  const struct {
    const char* text;
    const char* folded;
  } cases[] = {
      {"  Simon & Garfunkel ", "simon and garfunkel"},
      {"ÉTÉ été Ete", "ete ete ete"},
      {"Cafe\xCC\x81 del Mar", "cafe del mar"},  // e and a combining accent
      {"Straße, Œuvre; Łódź", "strasse oeuvre lodz"},
      {"River (live)", "river live"},
      {"Don\xE2\x80\x99t  Stop -- Now!", "don t stop now"},
      {"Caf\xE9 \x96 Noir", "cafe noir"},  // Windows-1252: e acute, en dash
      {"МОСКВА Ελλάδα 夜明け", "москва ελλάδα 夜明け"},
      {"!?", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(foldedText(c.text), c.folded) << c.text;
}

TEST(IdentityOfTest, InformationLineThenFileNameAndFolders) {
  const SongIdentity line = identityOf("/m/Pink Floyd/The Wall/CD 2/03 - Time.mp3",
                                       std::string_view("#EXTINF:215,Pink Floyd - Time - Live"));
  EXPECT_EQ(line.titles, (std::vector<SongIdentity::Title>{{"time live", ""}}));
  EXPECT_EQ(line.artist, "pink floyd");
  EXPECT_EQ(line.seconds, 215);
  EXPECT_EQ(line.track, "3");
  EXPECT_EQ(line.album, "the wall");
  EXPECT_EQ(line.folderArtist, "pink floyd");

  const SongIdentity named = identityOf("D:\\Music\\Jay-Z - Hits (2004)\\99 Problems.flac", std::nullopt);
  EXPECT_EQ(named.titles, (std::vector<SongIdentity::Title>{{"99 problems", ""}, {"problems", ""}}));
  EXPECT_EQ(named.artist, "");
  EXPECT_EQ(named.seconds, 0);
  EXPECT_EQ(named.album, "jay z hits 2004");
  EXPECT_NE(std::find(named.folders.begin(), named.folders.end(), "jay z"), named.folders.end());

  const SongIdentity prefixed = identityOf("x/Nirvana - 1-03 - Lithium.ogg", std::string_view("#EXTINF:0,"));
  EXPECT_EQ(prefixed.titles, (std::vector<SongIdentity::Title>{{"nirvana 1 03 lithium", ""},
                                                               {"1 03 lithium", "nirvana"},
                                                               {"lithium", "nirvana"}}));
  EXPECT_EQ(prefixed.track, "3");
  for (const char* name : {"01 Intro.mp3", "01 - Intro.mp3", "01. Intro.mp3", "1-01 Intro.mp3", "A1 Intro.mp3"})
    EXPECT_EQ(identityOf(name, std::nullopt).titles.back().text, "intro") << name;
  EXPECT_EQ(identityOf("/m/---.mp3", std::nullopt).titles.front().text, "---.mp3");  // never empty
}

struct Song {
  const char* path;
  const char* info;  // "" for none
};

std::optional<std::string_view> lineOf(const char* info) {
  return *info ? std::optional<std::string_view>(info) : std::nullopt;
}

// What -i takes for `entry` in `library`: the path, or "" for nothing.
std::string taken(const std::vector<Song>& library, const Song& entry) {
  SongList songs("lib.m3u");
  for (const Song& s : library) songs.add(s.path, lineOf(s.info));
  const IdentityIndex index(songs);
  const std::optional<std::size_t> k = index.onlySameSong(PlaylistEntry(entry.path, entry.info));
  return k ? std::string(songs.path(*k)) : std::string();
}

TEST(IdentityIndexTest, TheOnlySameSong) {
  const Song time{"/new/Pink Floyd - Dark Side (1973)/1-04 - Time.flac", "#EXTINF:413,Pink Floyd - Time"};
  const Song hopes{"/new/Pink Floyd/Division Bell/11 High Hopes.mp3", "#EXTINF:511,Pink Floyd - High Hopes"};
  const Song intro1{"/new/Band/First/01 Intro.mp3", "#EXTINF:95,Band - Intro"};
  const Song intro2{"/new/Band/Second (2001)/01 Intro.mp3", "#EXTINF:96,Band - Intro"};
  const Song remaster{"/new/Band - Second (Remastered) (2011)/01 Intro.mp3", "#EXTINF:95,Band - Intro"};
  const Song river{"/new/Ana/Blue/02 River.mp3", "#EXTINF:200,Ana - River"};
  const Song riverLive{"/new/Ana/Live/05 River (live).mp3", "#EXTINF:201,Ana - River (live)"};
  const Song otherRiver{"/new/Bo/Songs/02 River.mp3", "#EXTINF:200,Bo - River"};
  const Song untagged{"/new/Beatles, The/Abbey Road/1-07 - Here Comes the Sun.mp3", ""};
  const Song untaggedSplit{"/new/Queen - Jazz (1978)/Queen - 05 - Bicycle Race.opus", ""};
  const std::vector<Song> library = {time, hopes, intro1, intro2, remaster, river, riverLive, otherRiver, untagged,
                                     untaggedSplit};
  const struct {
    const char* what;
    Song entry;
    const char* expected;
  } cases[] = {
      {"renumbered, re-encoded, folder renamed",
       {"/old/Pink Floyd/Dark Side/04 Time.mp3", "#EXTINF:414,Pink Floyd - Time"}, time.path},
      {"lengths 2 s apart", {"/old/x.mp3", "#EXTINF:415,Pink Floyd - Time"}, time.path},
      {"lengths 3 s apart", {"/old/x.mp3", "#EXTINF:416,Pink Floyd - Time"}, ""},
      {"a title alone, artist in the folders", {"/old/Pink Floyd/y.mp3", "#EXTINF:511,High Hopes"}, hopes.path},
      {"a title alone, the artist nowhere", {"/old/y.mp3", "#EXTINF:511,High Hopes"}, ""},
      {"same song on two albums: the entry's album folder decides",
       {"/old/Band/Second (2001)/1.mp3", "#EXTINF:95,Band - Intro"}, intro2.path},
      {"same song on two albums, neither folder the entry's", {"/old/Band/Third/1.mp3", "#EXTINF:95,Band - Intro"}, ""},
      {"same title by another artist", {"/old/Ana/Blue/River.mp3", "#EXTINF:200,Ana - River"}, river.path},
      {"live version is another title", {"/old/Ana/Live/River.mp3", "#EXTINF:201,Ana - River (live)"}, riverLive.path},
      {"deleted song whose title another shares", {"/old/Cy/Songs/River.mp3", "#EXTINF:200,Cy - River"}, ""},
      {"deleted song by a known artist, no length", {"/old/Band/Fourth/01 Intro.mp3", "#EXTINF:0,Band - Intro"}, ""},
      {"no #EXTINF against a tagged library", {"/old/Pink Floyd/Dark Side/04 Time.mp3", ""}, time.path},
      {"no #EXTINF, other track number", {"/old/Pink Floyd/Dark Side/05 Time.mp3", ""}, ""},
      {"no #EXTINF, other album", {"/old/Pink Floyd/Wish/04 Time.mp3", ""}, ""},
      {"untagged library song, \"The Beatles\" now \"Beatles, The\"",
       {"/old/The Beatles/Abbey Road/07 Here Comes the Sun.mp3", "#EXTINF:185,The Beatles - Here Comes the Sun"},
       untagged.path},
      {"a player's file-name title against an untagged song",
       {"/old/The Beatles/Abbey Road/07 - Here Comes the Sun.mp3", "#EXTINF:185,07 - Here Comes the Sun.mp3"},
       untagged.path},
      {"several agree: the album folder named alike decides",
       {"/old/Band/Second (Remastered)/1.mp3", "#EXTINF:95,Band - Intro"}, remaster.path},
      {"untagged library song, artist and album in one folder",
       {"/old/Queen/Jazz/05 - Bicycle Race.mp3", "#EXTINF:181,Queen - Bicycle Race"}, untaggedSplit.path},
      {"untagged both sides, folders agree", {"/old/Beatles, The/Abbey Road/07 Here Comes the Sun.mp3", ""},
       untagged.path},
  };
  for (const auto& c : cases) EXPECT_EQ(taken(library, c.entry), c.expected) << c.what;
}

// The index finds exactly the songs a scan of every song with sameSong
// finds, on names drawn from few words so that titles, artists, albums and
// lengths collide often.
TEST(IdentityIndexTest, EqualsAScanOfEverySong) {
  std::mt19937 rng(41);
  const std::vector<std::string> words = {"Intro", "River", "Blue", "01", "1-02", "A1", "The Band", "Live",
                                          "Caf\xC3\xA9", "CAFE", "Ana & Bo", "Ana and Bo", "CD 1"};
  const auto pick = [&] { return words[rng() % words.size()]; };
  const auto song = [&] {
    std::string path = "/" + pick() + "/" + pick() + (rng() % 4 ? "" : " - " + pick()) + "/" + pick() + " " +
                       pick() + (rng() % 3 ? "" : " - " + pick()) + ".mp3";
    std::string info;
    if (rng() % 3) info = "#EXTINF:" + std::to_string(rng() % 6) + "," + (rng() % 2 ? pick() + " - " : "") + pick();
    return PlaylistEntry(path, info);
  };
  SongList songs("lib.m3u");
  std::vector<SongIdentity> identities;
  for (int k = 0; k < 3000; ++k) {
    const PlaylistEntry s = song();
    songs.add(s);
    identities.push_back(identityOf(s.path, lineOf(s.extInfo ? s.extInfo->c_str() : "")));
  }
  const IdentityIndex index(songs);
  std::size_t found = 0;
  for (int e = 0; e < 300; ++e) {
    const PlaylistEntry entry = song();
    const SongIdentity identity = identityOf(entry.path, lineOf(entry.extInfo ? entry.extInfo->c_str() : ""));
    std::vector<std::size_t> expected;
    for (std::size_t k = 0; k < identities.size(); ++k) {
      const bool same = sameSong(identity, identities[k]);
      ASSERT_EQ(same, sameSong(identities[k], identity)) << entry.path << " " << songs.path(k);
      if (same) expected.push_back(k);
    }
    EXPECT_EQ(index.sameSongs(identity), expected) << entry.path;
    found += expected.size();
  }
  EXPECT_GT(found, 300u);
}

}  // namespace
}  // namespace kw
