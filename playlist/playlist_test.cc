#include "playlist/playlist.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

TEST(PlaylistEntryTest, EmptyInfoTextMeansNoInfo) {
  EXPECT_EQ(PlaylistEntry("a.mp3").extInfo, nullptr);
  EXPECT_EQ(PlaylistEntry("a.mp3", "").extInfo, nullptr);
  ASSERT_NE(PlaylistEntry("a.mp3", "#EXTINF:1,A").extInfo, nullptr);
  EXPECT_FALSE(PlaylistEntry("a.mp3").deleted);
}

TEST(PlaylistEntryTest, CopiesOwnTheirInfo) {
  PlaylistEntry original("a.mp3", "#EXTINF:1,A");
  original.deleted = true;
  PlaylistEntry copy(original);
  *copy.extInfo = "#EXTINF:2,B";
  EXPECT_EQ(*original.extInfo, "#EXTINF:1,A");
  EXPECT_TRUE(copy.deleted);
  PlaylistEntry assigned("b.mp3");
  assigned = original;
  assigned.extInfo.reset();
  EXPECT_EQ(*original.extInfo, "#EXTINF:1,A");
  EXPECT_EQ(assigned.path, "a.mp3");
}

TEST(PlaylistEntryTest, CopiesOwnTheirOtherLines) {
  PlaylistEntry original("a.mp3");
  original.otherLines = std::make_unique<EntryLines>(EntryLines{{"#A"}, {"#B"}});
  PlaylistEntry copy(original);
  copy.otherLines->beforeInfo[0] = "#changed";
  PlaylistEntry assigned("b.mp3");
  assigned = original;
  assigned.otherLines->afterInfo.clear();
  EXPECT_EQ(original.otherLines->beforeInfo, std::vector<std::string>{"#A"});
  EXPECT_EQ(original.otherLines->afterInfo, std::vector<std::string>{"#B"});
  assigned = PlaylistEntry("c.mp3");
  EXPECT_EQ(assigned.otherLines, nullptr);
}

TEST(PlayListTest, CopiesAreIndependentAndDeletedEntriesKeepTheirPlace) {
  PlayList list("l.m3u");
  list.entries.emplace_back("a", "#x");
  list.entries.emplace_back("b");
  list.entries[0].deleted = true;
  PlayList copy = list;
  *copy.entries[0].extInfo = "#y";
  EXPECT_EQ(*list.entries[0].extInfo, "#x");
  EXPECT_EQ(list.entries.size(), 2u);
  EXPECT_FALSE(list.plsFormat);
}

}  // namespace
}  // namespace kw
