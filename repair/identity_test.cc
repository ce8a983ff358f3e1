#include "repair/identity.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>

#include "repair/fold_table.h"

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
      {"МОСКВА Ελλάδα 夜明け ガ 𠀋", "москва ελλαδα 夜明け ガ 𠀋"},  // the voicing mark stays
      {"ΤΡΑΓΟΎΔΙ τραγούδι Σς", "τραγουδι τραγουδι σσ"},
      {"Tiến Quân Ca, ĐƯỜNG", "tien quan ca duong"},
      {"ǅ ƀ Ǿ ǻ ﬁ Ǣ", "dz b o a fi ae"},
      {"!?", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(foldedText(c.text), c.folded) << c.text;
}

// The generated table: sorted, and what a letter folds to folds no further.
TEST(FoldedTextTest, TableIsSortedAndFoldedOnce) {
  const std::span<const FoldedLetter> letters = foldedLetters();
  ASSERT_GT(letters.size(), 1000u);
  for (std::size_t k = 0; k < letters.size(); ++k) {
    if (k > 0) {
      EXPECT_LT(letters[k - 1].letter, letters[k].letter) << k;
    }
    EXPECT_EQ(foldedText(letters[k].folded), letters[k].folded) << static_cast<unsigned>(letters[k].letter);
  }
}

TEST(IdentityOfTest, InformationLineThenFileNameAndFolders) {
  const SongIdentity line = identityOf("/m/Pink Floyd/The Wall/CD 2/03 - Time.mp3",
                                       std::string_view("#EXTINF:215,Pink Floyd - Time - Live"));
  EXPECT_EQ(line.titles, (std::vector<SongIdentity::Title>{{"time live", "", "3"}}));
  EXPECT_TRUE(line.titlesFromLine);
  EXPECT_EQ(line.artist, "pink floyd");
  EXPECT_EQ(line.seconds, 215);
  EXPECT_EQ(line.album, "the wall");
  EXPECT_EQ(line.artistGuesses, std::vector<std::string>{"pink floyd"});

  const SongIdentity named = identityOf("D:\\Music\\Jay-Z - Hits (2004)\\99 Problems.flac", std::nullopt);
  EXPECT_EQ(named.titles, (std::vector<SongIdentity::Title>{{"99 problems", "", ""}, {"problems", "", "99"}}));
  EXPECT_FALSE(named.titlesFromLine);
  EXPECT_EQ(named.artist, "");
  EXPECT_EQ(named.seconds, 0);
  EXPECT_EQ(named.album, "jay z hits 2004");
  EXPECT_EQ(named.albumNames, (std::vector<std::string>{"hits", "jay z hits"}));
  EXPECT_EQ(named.artistGuesses, std::vector<std::string>{"jay z"});  // not the root above
  EXPECT_NE(std::find(named.folders.begin(), named.folders.end(), "jay z"), named.folders.end());

  const SongIdentity prefixed = identityOf("x/Nirvana - 1-03 - Lithium.ogg", std::string_view("#EXTINF:0,"));
  EXPECT_EQ(prefixed.titles, (std::vector<SongIdentity::Title>{{"nirvana 1 03 lithium", "", ""},
                                                               {"1 03 lithium", "nirvana", ""},
                                                               {"lithium", "nirvana", "3"}}));
  EXPECT_EQ(prefixed.artistGuesses, std::vector<std::string>{"nirvana"});
  for (const char* name : {"01 Intro.mp3", "01 - Intro.mp3", "01. Intro.mp3", "1-01 Intro.mp3", "A1 Intro.mp3"})
    EXPECT_EQ(identityOf(name, std::nullopt).titles.back().text, "intro") << name;
  EXPECT_EQ(identityOf("01 Olga & the Saints - Dream Island.mp3", std::nullopt).titles.back(),
            (SongIdentity::Title{"dream island", "olga and the saints", "1"}));
  EXPECT_EQ(identityOf("/m/---.mp3", std::nullopt).titles.front().text, "---.mp3");  // never empty
  EXPECT_TRUE(identityOf("Anna Berg - Intro.mp3", std::nullopt).artistGuesses.empty());  // no folders

  // A player's "%artist% - %title%" of an untitled song names no title.
  for (const char* info : {"#EXTINF:400,Anna Berg - ", "#EXTINF:400,Anna Berg -"}) {
    const SongIdentity untitled = identityOf("/m/Anna Berg/Harbour/01 Intro.mp3", std::string_view(info));
    EXPECT_EQ(untitled.titles.back(), (SongIdentity::Title{"intro", "", "1"})) << info;
    EXPECT_FALSE(untitled.titlesFromLine) << info;
    EXPECT_EQ(untitled.artist, "anna berg") << info;
    EXPECT_EQ(untitled.seconds, 400) << info;
  }
  EXPECT_EQ(identityOf("/m/1989/x.mp3", std::nullopt).albumNames, std::vector<std::string>{"1989"});
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
  const Song riverFlac{"/new/Ana/Blue [FLAC] (1999)/02 River.flac", "#EXTINF:200,Ana - River"};
  const Song untagged{"/new/Beatles, The/Abbey Road/1-07 - Here Comes the Sun.mp3", ""};
  const Song untaggedSplit{"/new/Queen - Jazz (1978)/Queen - 05 - Bicycle Race.opus", ""};
  const Song titleOnly{"/new/Music/Jonas Vik/Slow Rivers (2004)/01 Intro.mp3", "#EXTINF:60,Intro"};
  const Song flat{"/new/Music/Nirvana - Nevermind (1991)/03 Come as You Are.mp3", "#EXTINF:219,Come as You Are"};
  const Song problems{"/new/Jay-Z/Black Album (2003)/99 Problems.mp3", "#EXTINF:235,Jay-Z - 99 Problems"};
  const Song lighthouse{"/new/Anna Berg/Harbour (2001)/02 - Lighthouse.mp3", "#EXTINF:401,Anna Berg - Lighthouse"};
  const Song named{"/Anna Berg.mp3", "#EXTINF:400,Anna Berg"};
  const Song retagged{"/new/Kim/Blue Hours/03 - Rain (Remastered 2011).mp3",
                      "#EXTINF:240,Kim - Rain (Remastered 2011)"};
  const Song compiled{"/new/Various Artists - Hits (2004)/07 - Kim - Rain.mp3", "#EXTINF:240,Kim - Rain"};
  const std::vector<Song> library = {time,      hopes,     intro1,     intro2,     remaster,      river,
                                     riverLive, riverFlac, otherRiver, untagged,   untaggedSplit, titleOnly,
                                     flat,      problems,  lighthouse, named,      retagged,      compiled};
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
      {"an album in two formats: the name the same beats a name alike",
       {"/old/Ana/Blue [FLAC]/River.flac", "#EXTINF:200,Ana - River"}, riverFlac.path},
      {"untagged library song, artist and album in one folder",
       {"/old/Queen/Jazz/05 - Bicycle Race.mp3", "#EXTINF:181,Queen - Bicycle Race"}, untaggedSplit.path},
      {"untagged both sides, folders agree", {"/old/Beatles, The/Abbey Road/07 Here Comes the Sun.mp3", ""},
       untagged.path},
      {"no artist either side, the folders name other artists",
       {"/media/old/Music/Anna Berg/Harbour/01 Intro.mp3", "#EXTINF:60,Intro"}, ""},
      {"no artist either side, Genre/Artist/Album against Artist - Album",
       {"/old/Music/Rock/Nirvana/Nevermind/03 Come as You Are.mp3", "#EXTINF:219,Come as You Are"}, flat.path},
      {"no artist either side, a path without folders", {"Come as You Are.mp3", "#EXTINF:220,Come as You Are"},
       flat.path},
      {"no artist either side, flat layouts under one root naming other artists",
       {"/x/Music/Hole - Live Through This/03 Come as You Are.mp3", "#EXTINF:219,Come as You Are"}, ""},
      {"a number that is part of the title", {"/old/Jay-Z/Black Album/07 - 99 Problems.mp3", ""}, problems.path},
      {"an untitled song's line names no title",
       {"/old/Anna Berg/Harbour/02 Lighthouse.mp3", "#EXTINF:400,Anna Berg -"}, lighthouse.path},
      {"the entry's album still there, the one that agrees on a compilation",
       {"/old/Kim/Blue Hours/03 Rain.mp3", "#EXTINF:240,Kim - Rain"}, ""},
      {"the entry's album gone, the one that agrees on a compilation",
       {"/old/Kim/Red Days/05 Rain.mp3", "#EXTINF:240,Kim - Rain"}, compiled.path},
      {"a compilation's \"07 <artist> - <title>\" without #EXTINF",
       {"/old/Various Artists/Hits/07 Kim - Rain.mp3", ""}, compiled.path},
      {"a title's own \" - \" names no artist", {"/old/Band/First/01 Intro - Reprise.mp3", ""}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(taken(library, c.entry), c.expected) << c.what;
}

TEST(IdentityTest, AlbumsAlike) {
  const struct {
    const char* a;
    const char* b;
    bool alike;
  } cases[] = {
      {"Nevermind", "Nirvana - Nevermind (1991)", true},
      {"Nevermind", "Nevermind (Deluxe Edition)", true},
      {"IV", "Led Zeppelin IV", true},
      {"Dark Side", "The Dark Side of the Moon (1973)", true},
      {"Greatest Hits", "Greatest Hits Live", false},
      {"Vol. 3", "The Lights - Vol. 3 (Remastered) (1999)", false},
      {"1989", "Taylor Swift - 1989 (2014)", true},
      {"1989", "Red", false},
      {"Taylor Swift - 1989 (2014)", "Taylor Swift - Red (2012)", false},
  };
  for (const auto& c : cases) {
    const SongIdentity a = identityOf(std::string("/m/") + c.a + "/x.mp3", std::nullopt);
    const SongIdentity b = identityOf(std::string("/m/") + c.b + "/x.mp3", std::nullopt);
    EXPECT_EQ(albumsAlike(a, b), c.alike) << c.a << " | " << c.b;
    EXPECT_EQ(albumsAlike(b, a), c.alike) << c.b << " | " << c.a;
  }
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
