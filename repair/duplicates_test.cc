#include "repair/duplicates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "tests/reference/reference.h"
#include "tests/support/failing_allocations.h"

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

// Durations drawn to reach every way of finding pairs: none, ties, close
// ones, negative ones and ones 36,000 s or more apart, with -t 0, 5 and
// values at and beyond the point where every pair is compared.
std::string randomInfo(std::mt19937& rng, int style) {
  static const int kFar[] = {0, 1, 35999, 36000, 36001, 72000, -36000, 100000};
  switch (style == 3 ? static_cast<int>(rng() % 3) : style) {
    case 0:
      return rng() % 3 ? "#EXTINF:" + std::to_string(static_cast<int>(rng() % 40) - 2) + ",t" : "";
    case 1:
      return "#EXTINF:" + std::to_string(kFar[rng() % std::size(kFar)] + static_cast<int>(rng() % 3)) + ",t";
    default:
      return rng() % 10 ? "#EXTINF:" + std::to_string(90 + rng() % 20) + ",t" : "#x:5,t";
  }
}

TEST(FindDuplicatesTest, EqualsReferenceOnRandomLists) {
  std::mt19937 rng(29);
  const double minima[] = {0.8, 0.5, 0.3, 0.0, 1.0, std::numeric_limits<double>::quiet_NaN()};
  const int timeDiffs[] = {0, 5, 3, 35998, 35999, 40000, std::numeric_limits<int>::max()};
  std::size_t pairs = 0;
  for (int round = 0; pairs < 200000; ++round) {
    PlayList valid("valid.m3u");
    const std::size_t size = 50 + rng() % 150;
    for (std::size_t k = 0; k < size; ++k) {
      const char* separator = rng() % 2 ? "\\" : "/";
      valid.entries.emplace_back(randomName(rng) + separator + randomName(rng), randomInfo(rng, round % 4));
    }
    pairs += size * (size - 1) / 2;
    const double minimum = minima[round % std::size(minima)];
    const int maxTimeDiff = round % 3 ? static_cast<int>(rng() % 8) : timeDiffs[rng() % std::size(timeDiffs)];
    PlayList expected("dupes.m3u");
    std::ostringstream expectedListing;
    reference::findDuplicates(valid, expected, minimum, maxTimeDiff, expectedListing);
    for (unsigned threads : {1u, 4u}) {
      PlayList actual("dupes.m3u");
      std::ostringstream actualListing;
      findDuplicates(valid, actual, minimum, maxTimeDiff, actualListing, threads);
      ASSERT_EQ(actualListing.str(), expectedListing.str()) << "round " << round << ", " << threads;
      ASSERT_EQ(actual.entries.size(), expected.entries.size());
      for (std::size_t k = 0; k < actual.entries.size(); ++k)
        ASSERT_EQ(actual.entries[k].path, expected.entries[k].path);
    }
  }
}

// Lines of every shape the duration rule tells apart, with durations around
// its limits: 0, the maximum difference, and 36,000 s apart.
std::string randomLine(std::mt19937& rng) {
  static const char* const kShapes[] = {"#EXTINF:@,t",  "#extinf:@,t",   "#EXTINF:@",
                                        "#EXTINFO:@,t", "#EXT:@,t",      "abcdefg:@,",
                                        "#EXTINF: @,t", "#EXTINF:+@,t",  "#EXTINF:@x,t",
                                        "#EXTINF:@:1,t", "#EXTINF:\t@,t"};
  static const long long kBases[] = {0, 200, 36199, 36200, -35800, 2147480000};
  std::string line = kShapes[rng() % std::size(kShapes)];
  const long long seconds = kBases[rng() % std::size(kBases)] + static_cast<long long>(rng() % 13) - 6;
  return line.replace(line.find('@'), 1, std::to_string(seconds));
}

// Alike names, so that the durations decide which pairs are groups.
TEST(FindDuplicatesTest, DurationRulesEqualTheReference) {
  std::mt19937 rng(31);
  static const char* const kNames[] = {"\\a\\abcdef.mp3", "/b/abcdef", "c\\abcdeg.ogg", "d/Abcdef.MP3"};
  for (int round = 0; round < 150; ++round) {
    PlayList valid("valid.m3u");
    for (std::size_t k = 0; k < 40; ++k)
      valid.entries.emplace_back(kNames[rng() % std::size(kNames)], rng() % 5 ? randomLine(rng) : "");
    const int maxTimeDiff = static_cast<int>(rng() % 9) - 1;
    PlayList expected("dupes.m3u"), actual("dupes.m3u");
    std::ostringstream expectedListing, actualListing;
    reference::findDuplicates(valid, expected, 0.5, maxTimeDiff, expectedListing);
    findDuplicates(valid, actual, 0.5, maxTimeDiff, actualListing);
    ASSERT_EQ(actualListing.str(), expectedListing.str()) << "round " << round;
  }
}

// An allocation failing anywhere while the songs are shared out over four
// threads reaches the caller as std::bad_alloc once all are joined: no hang,
// no std::terminate; a run that gets around it lists what one thread lists.
TEST(FindDuplicatesTest, FailedAllocationOnAnyThreadReachesTheCaller) {
  PlayList valid("valid.m3u");
  for (const char* name : {"/a/river", "/b/river.mp3", "/c/rivers.ogg", "/d/lake", "/e/lake.mp3"})
    valid.entries.emplace_back(name, "#EXTINF:100,x");
  PlayList expected("dupes.m3u");
  std::ostringstream expectedListing;
  findDuplicates(valid, expected, 0.5, 5, expectedListing, 1);
  const trackmend_test::Deadline deadline(300);
  const int runs = trackmend_test::failEachAllocationInTurn(
      [&] {
        PlayList actual("dupes.m3u");
        std::ostringstream listing;
        listing.exceptions(std::ios::badbit);  // a failed write throws, as it would lose lines
        findDuplicates(valid, actual, 0.5, 5, listing, 4);
        EXPECT_EQ(listing.str(), expectedListing.str());
      },
      [](bool) {});
  EXPECT_GT(runs, 10);
}

}  // namespace
}  // namespace kw
