// The repair of entries in the path forms of POSIX: relative entries
// against '/' folders, file:// URIs of POSIX paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "repair/repair_test_support.h"

namespace kw {
namespace {

// Entries keep their own path form: relative entries are compared by the
// path they resolve to and stay exactly as written when valid, file:// URIs
// by their decoded path; replacements are written in the entry's form, and a
// relative copy in a missing list of another folder still names its file.
// Streams and Windows paths in the library change none of it.
TEST_P(RepairTest, EntriesKeepTheirPathForm) {
  const std::vector<std::string> extraLines[] = {
      {}, {"C:\\Music\\Other\\x.mp3"}, {"http://radio.example.org/stream"},
      {"http://radio.example.org/stream", "C:\\Music\\Other\\x.mp3", "smb://nas/x.mp3"}};
  for (const std::vector<std::string>& extra : extraLines) {
    valid = PlayList("valid.m3u");
    valid.entries.emplace_back("/music/Anna/Shore/01 Harbour.mp3", "#EXTINF:200,Anna - Harbour");
    valid.entries.emplace_back("/music/Anna/Shore/02 Ferry.mp3");
    for (const std::string& line : extra) valid.entries.emplace_back(line);
    valid.entries.emplace_back("/music/Copper/City/03 Rain On Glass.mp3");
    missing = PlayList("/lists/missing.m3u");
    PlayList invalid("/lists/road/trip.m3u");
    const char* const written[] = {
        "../../music/Anna/Shore/01 Harbour.mp3",         "./../../music/Anna/Shore/02 Ferry.mp3",
        "../../old/Anna/Shore/01 Harbour.mp3",           "file:///old/Copper/City/03%20Rain%20On%20Glass.mp3",
        "FILE://localhost/music/Anna/Shore/02%20Ferry.mp3", "gone/x.mp3",
    };
    for (const char* path : written) invalid.entries.emplace_back(path);
    Options a;
    a.autoSelect = a.copyInfo = true;
    a.minMatch = 0;
    repair(invalid, "", a);
    const char* const repaired[] = {
        "../../music/Anna/Shore/01 Harbour.mp3",         "./../../music/Anna/Shore/02 Ferry.mp3",
        "../../music/Anna/Shore/01 Harbour.mp3",         "file:///music/Copper/City/03%20Rain%20On%20Glass.mp3",
        "FILE://localhost/music/Anna/Shore/02%20Ferry.mp3", "gone/x.mp3",
    };
    const std::string library = extra.empty() ? "absolute" : extra.back();
    for (std::size_t k = 0; k < std::size(repaired); ++k)
      EXPECT_EQ(invalid.entries[k].path, repaired[k]) << library << " " << k;
    EXPECT_EQ(*invalid.entries[0].extInfo, "#EXTINF:200,Anna - Harbour");  // -c on a valid entry
    EXPECT_EQ(dialogue.substr(0, dialogue.find("----")),
              "Using command line minimum match value (0)\n"
              "Song: '../../old/Anna/Shore/01 Harbour.mp3'\n"
              "Auto: '../../music/Anna/Shore/01 Harbour.mp3'\n"
              "Song: 'file:///old/Copper/City/03%20Rain%20On%20Glass.mp3'\n"
              "Auto: 'file:///music/Copper/City/03%20Rain%20On%20Glass.mp3'\n")
        << library;
    EXPECT_NE(dialogue.find(": ../../music/"), std::string::npos) << library;  // candidates as written
    EXPECT_EQ(statistics,
              "Corrected entries = 2 - Corrected infos = 2\nDeleted entries = 0 - Deleted dupes = 0\n")
        << library;
    ASSERT_EQ(missing.entries.size(), 1u) << library;
    EXPECT_EQ(missing.entries[0].path, "road/gone/x.mp3") << library;
  }
}

// A validList of file:// URIs is compared by the decoded paths and gives its
// paths as written; one with a relative path compares relative entries as
// written, as a list that cannot tell what they resolve to must.
TEST_P(RepairTest, ValidListPathForms) {
  valid.entries.emplace_back("file:///music/a%20b/c.mp3");
  PlayList invalid("/lists/trip.m3u");
  invalid.entries.emplace_back("/old/a b/c.mp3");
  invalid.entries.emplace_back("file:///music/a b/c.mp3");
  Options a;
  a.autoSelect = true;
  repair(invalid, "", a);
  EXPECT_EQ(invalid.entries[0].path, "file:///music/a%20b/c.mp3");
  EXPECT_EQ(invalid.entries[1].path, "file:///music/a b/c.mp3");  // valid as written

  valid.entries.emplace_back("lib/songs/c.mp3");
  PlayList relative("/lists/trip.m3u");
  relative.entries.emplace_back("old/songs/c.mp3");
  repair(relative, "", a);
  EXPECT_EQ(relative.entries[0].path, "lib/songs/c.mp3");

  // Valid by its text or by the path it resolves to, whatever else the list
  // holds; a replacement by an absolute song is written relative.
  valid.entries.emplace_back("/lists/a b/c.mp3", "#EXTINF:1,C");
  PlayList mixed("/lists/trip.m3u");
  for (const char* path : {"a b/c.mp3", "lib/songs/c.mp3", "x/a b/c.mp3"}) mixed.entries.emplace_back(path);
  a.copyInfo = true;
  repair(mixed, "", a);
  EXPECT_EQ(mixed.entries[0].path, "a b/c.mp3");
  EXPECT_EQ(*mixed.entries[0].extInfo, "#EXTINF:1,C");
  EXPECT_EQ(mixed.entries[1].path, "lib/songs/c.mp3");
  EXPECT_EQ(mixed.entries[2].path, "a b/c.mp3");
}

}  // namespace
}  // namespace kw
