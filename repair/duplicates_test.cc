#include "repair/duplicates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "tests/reference/reference.h"

namespace kw {
namespace {

struct Found {
  std::string listing;
  std::vector<std::string> paths;
};

Found find(const PlayList& valid, double minNameMatch = 0.8, int maxTimeDiff = 5) {
  PlayList output("dupes.m3u");
  std::ostringstream listing;
  findDuplicates(valid, output, minNameMatch, maxTimeDiff, listing);
  Found found{listing.str(), {}};
  for (const PlaylistEntry& e : output.entries) {
    EXPECT_FALSE(e.deleted);
    found.paths.push_back(e.path);
  }
  return found;
}

PlayList listOf(std::initializer_list<PlaylistEntry> entries) {
  PlayList list("valid.m3u");
  list.entries = entries;
  return list;
}

TEST(FindDuplicatesTest, NameThreshold) {
  EXPECT_EQ(find(listOf({PlaylistEntry("C:\\A\\River.mp3"), PlaylistEntry("D:\\B\\river.mp3")}))
                .listing,
            "");
  const Found six =
      find(listOf({PlaylistEntry("C:\\A\\Rivers.mp3"), PlaylistEntry("D:\\B\\rivers.mp3")}));
  EXPECT_EQ(six.listing, "c:\\a\\rivers.mp3\n0.8 d:\\b\\rivers.mp3\n");
  EXPECT_EQ(six.paths, (std::vector<std::string>{"C:\\A\\Rivers.mp3", "D:\\B\\rivers.mp3"}));
  EXPECT_EQ(find(listOf({PlaylistEntry("C:\\A\\River.mp3"), PlaylistEntry("D:\\B\\river.mp3")}),
                 0.75)
                .listing,
            "c:\\a\\river.mp3\n0.769231 d:\\b\\river.mp3\n");
}

TEST(FindDuplicatesTest, DurationsDecideWhichPairsAreCompared) {
  auto song = [](const char* path, const char* info) { return PlaylistEntry(path, info); };
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINF:200,a"), song("\\y\\abcdef", "#EXTINF:206,a")}))
                .paths.size(),
            0u);
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINF:200,a"), song("\\y\\abcdef", "#EXTINF:205,a")}))
                .paths.size(),
            2u);
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINF:200,a"), song("\\y\\abcdef", "")})).paths.size(),
            2u);
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINF:100,a"), song("\\y\\abcdef", "#EXTINF:36100,a")}))
                .paths.size(),
            2u);  // ten hours apart counts as no duration
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINF:-1,a"), song("\\y\\abcdef", "#EXTINF:200,a")}))
                .paths.size(),
            0u);  // -1 is a duration like any other
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINF:200"), song("\\y\\abcdef", "#EXTINF:300,a")}))
                .paths.size(),
            2u);  // no comma: no duration
  EXPECT_EQ(find(listOf({song("\\x\\abcdef", "#EXTINFO:200,a"), song("\\y\\abcdef", "#EXTINF:300,a")}))
                .paths.size(),
            2u);  // the colon is not at index 7
}

TEST(FindDuplicatesTest, NamesAfterEitherSeparatorOrTheWholePath) {
  // A slash separates as well as a backslash, so whole directories never
  // take part in the name.
  EXPECT_EQ(find(listOf({PlaylistEntry("/music/Alpha/one.mp3"),
                         PlaylistEntry("/music/Alpha/two.mp3")}))
                .listing,
            "");
  EXPECT_EQ(find(listOf({PlaylistEntry("/music/a/Abcdef.mp3"), PlaylistEntry("/other/b/abcdef.mp3")}))
                .listing,
            "/music/a/abcdef.mp3\n0.8 /other/b/abcdef.mp3\n");
  // No separator at all: the whole lowered path, and no assertion failure.
  EXPECT_EQ(find(listOf({PlaylistEntry("Abcdef.mp3"), PlaylistEntry("abcdef.mp3")})).listing,
            "abcdef.mp3\n0.8 abcdef.mp3\n");
}

TEST(FindDuplicatesTest, OverlappingGroupsWithSeparators) {
  const PlayList valid = listOf({PlaylistEntry("\\a\\Sunrise", "#EXTINF:100,x"),
                                 PlaylistEntry("\\b\\other song"), PlaylistEntry("\\c\\sunrise"),
                                 PlaylistEntry("\\d\\SUNRISE", "#EXTINF:102,y")});
  const Found found = find(valid);
  EXPECT_EQ(found.listing,
            "\\a\\sunrise\n1 \\c\\sunrise\n1 \\d\\sunrise\n--------------\n\\c\\sunrise\n1 "
            "\\d\\sunrise\n");
  EXPECT_EQ(found.paths, (std::vector<std::string>{"\\a\\Sunrise", "\\c\\sunrise", "\\d\\SUNRISE",
                                                   "-----------", "\\c\\sunrise", "\\d\\SUNRISE"}));
  PlayList output("dupes.m3u");
  std::ostringstream listing;
  findDuplicates(valid, output, 0.8, 5, listing);
  EXPECT_EQ(*output.entries[0].extInfo, "#EXTINF:100,x");
  EXPECT_EQ(output.entries[3].extInfo, nullptr);
}

TEST(FindDuplicatesTest, CopiesCarryTheirOwnLinesButNotTheFiles) {
  PlayList valid = listOf({PlaylistEntry("\\a\\Sunrise", "#EXTINF:100,x"), PlaylistEntry("\\d\\SUNRISE")});
  valid.entries[0].otherLines = std::make_unique<EntryLines>(EntryLines{{"#EXTGRP:a"}, {"#EXTVLCOPT:v"}});
  valid.fileLines = {"#PLAYLIST:all"};
  valid.trailingLines = {"# end"};
  PlayList output("dupes.m3u");
  std::ostringstream listing;
  findDuplicates(valid, output, 0.8, 5, listing);
  ASSERT_EQ(output.entries.size(), 2u);
  ASSERT_NE(output.entries[0].otherLines, nullptr);
  EXPECT_EQ(output.entries[0].otherLines->beforeInfo, std::vector<std::string>{"#EXTGRP:a"});
  EXPECT_EQ(output.entries[0].otherLines->afterInfo, std::vector<std::string>{"#EXTVLCOPT:v"});
  EXPECT_EQ(output.entries[1].otherLines, nullptr);
  EXPECT_TRUE(output.fileLines.empty());
  EXPECT_TRUE(output.trailingLines.empty());
}

TEST(FindDuplicatesTest, EmptyAndUnalikeLists) {
  EXPECT_EQ(find(PlayList("v")).listing, "");
  EXPECT_TRUE(find(listOf({PlaylistEntry("\\a\\one"), PlaylistEntry("\\b\\two")})).paths.empty());
  // Names without letters or digits match as NaN, below every minimum.
  EXPECT_TRUE(find(listOf({PlaylistEntry("\\a\\--"), PlaylistEntry("\\b\\--")}), -1).paths.empty());
}

std::string randomName(std::mt19937& rng) {
  static const std::string alphabet = "abcd -.\xe4";
  std::string s(rng() % 12, ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

TEST(FindDuplicatesTest, EqualsReferenceOnRandomLists) {
  std::mt19937 rng(29);
  const double minima[] = {0.8, 0.5, 0.3, 0.0, 1.0, std::numeric_limits<double>::quiet_NaN()};
  std::size_t pairs = 0;
  for (int round = 0; pairs < 100000; ++round) {
    PlayList valid("valid.m3u");
    const std::size_t size = 50 + rng() % 150;
    for (std::size_t k = 0; k < size; ++k) {
      const char* separator = rng() % 2 ? "\\" : "/";
      std::string info;
      if (rng() % 3) info = "#EXTINF:" + std::to_string(static_cast<int>(rng() % 40) - 2) + ",t";
      valid.entries.emplace_back(randomName(rng) + separator + randomName(rng), info);
    }
    pairs += size * (size - 1) / 2;
    const double minimum = minima[round % std::size(minima)];
    const int maxTimeDiff = static_cast<int>(rng() % 8);
    PlayList expected("dupes.m3u"), actual("dupes.m3u");
    std::ostringstream expectedListing, actualListing;
    reference::findDuplicates(valid, expected, minimum, maxTimeDiff, expectedListing);
    findDuplicates(valid, actual, minimum, maxTimeDiff, actualListing);
    ASSERT_EQ(actualListing.str(), expectedListing.str()) << "round " << round;
    ASSERT_EQ(actual.entries.size(), expected.entries.size());
    for (std::size_t k = 0; k < actual.entries.size(); ++k)
      ASSERT_EQ(actual.entries[k].path, expected.entries[k].path);
  }
}

}  // namespace
}  // namespace kw
