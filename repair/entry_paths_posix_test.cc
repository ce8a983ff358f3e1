#include "repair/entry_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Lib/kw/sys_dep/path.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

// A link "l" -> "real/lists" beside "real/music/b.mp3": a playlist opened as
// "l/p.m3u" lives in "real/lists", where "../music/b.mp3" names the song.
class LinkedFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = sys_dep::realPath(dir_.path()).value_or("");
    for (const char* folder : {"/real", "/real/lists", "/real/music"})
      ASSERT_EQ(::mkdir((root_ + folder).c_str(), 0700), 0);
    trackmend_test::writeFile(root_ + "/real/music/b.mp3", "");
    ASSERT_EQ(::symlink("real/lists", (root_ + "/l").c_str()), 0);
  }
  trackmend_test::ScratchDir dir_;
  std::string root_;
};

TEST_F(LinkedFolders, RelativeReferencesNameTheSongFromWhereThePlaylistIs) {
  const std::string song = root_ + "/real/music/b.mp3";
  EXPECT_EQ(relativeReference(root_ + "/l", song), "../music/b.mp3");  // the text would name nothing
  EXPECT_EQ(relativeReference(root_ + "/real/lists", song), "../music/b.mp3");
  EXPECT_EQ(relativeReference(root_ + "/l/..", song), "music/b.mp3");  // ".." of the link's target
  EXPECT_EQ(relativeReference(root_ + "/l", root_ + "/gone/x.mp3"), "../gone/x.mp3");  // not here: as text
}

TEST_F(LinkedFolders, RelativeEntriesResolvedAsTheKernelResolvesThem) {
  const EntryPaths paths(root_ + "/l", true);
  EXPECT_EQ(paths.compared("../music/b.mp3"), root_ + "/real/music/b.mp3");
  EXPECT_EQ(paths.validForms("../music/b.mp3"),
            (std::vector<std::string>{"../music/b.mp3", root_ + "/music/b.mp3", root_ + "/real/music/b.mp3"}));
  EXPECT_TRUE(paths.validForms("/a.mp3").empty());
  EXPECT_EQ(paths.movedTo("../music/b.mp3", root_), "real/music/b.mp3");
  EXPECT_EQ(paths.movedTo("../music/b.mp3", root_ + "/l/"), "../music/b.mp3");  // the same folder
  EXPECT_EQ(paths.replacement("x.mp3", root_ + "/real/music/b.mp3", "/listed"), "../music/b.mp3");
  EXPECT_EQ(paths.replacement("x.mp3", "C:\\b.mp3", "C:\\b.mp3"), "C:\\b.mp3");  // not absolute: as listed
  EXPECT_EQ(EntryPaths(root_ + "/l", false).compared("../music/b.mp3"), "../music/b.mp3");
}

// Streams and Windows paths say nothing about how a library's other songs
// are written; a relative path does.
TEST(ValidLibraryTest, AbsoluteSchemesAndLookup) {
  PlayList list("valid.m3u");
  for (const char* path : {"/a.mp3", "HTTP://radio/x", "C:\\b.mp3", "file:///c%20d.mp3", "/a.mp3"})
    list.entries.emplace_back(path);
  const ValidLibrary library(list, 1);
  EXPECT_TRUE(library.allAbsolute());
  EXPECT_TRUE(library.holdsScheme("http://other"));
  EXPECT_FALSE(library.holdsScheme("rtsp://radio/x"));
  EXPECT_EQ(library.find("/a.mp3"), 4u);  // the last of equal paths
  EXPECT_EQ(library.find("/c d.mp3"), 3u);  // compared decoded
  EXPECT_EQ(library.find("/b.mp3"), std::nullopt);
  list.entries.emplace_back("rel/e.mp3");
  EXPECT_FALSE(ValidLibrary(list, 1).allAbsolute());
}

}  // namespace
}  // namespace kw
