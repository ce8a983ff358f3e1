// Entries as Windows players write them: drives, UNC names, '\' and '/',
// "\x" on the playlist's drive, "C:x" left alone, letter case ignored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playlist/path_forms.h"
#include "repair/entry_paths.h"

namespace kw {
namespace {

// A validList of drive and UNC paths is absolute; lookups ignore letter case
// (also outside ASCII) and the kind of separator, and find the last match.
TEST(ValidLibraryWin32Test, DrivesAndUncNamesAreAbsoluteAndLookupIgnoresCase) {
  PlayList list("valid.m3u");
  for (const char* path : {"C:\\Music\\\xC3\x84rger.mp3", "\\\\nas\\music\\b.mp3", "http://radio/x",
                           "file:///D:/Music/c%20d.mp3", "c:/music/\xC3\xA4RGER.MP3"})
    list.entries.emplace_back(path);
  const ValidLibrary library(list, 1);
  EXPECT_TRUE(library.allAbsolute());
  EXPECT_EQ(library.find("C:\\MUSIC\\\xC3\xA4rger.mp3"), 4u);
  EXPECT_EQ(library.find("//NAS/Music/B.mp3"), 1u);
  EXPECT_EQ(library.find("d:\\music\\C D.mp3"), 3u);  // a file:// URI is compared as the path it names
  EXPECT_EQ(library.find("C:\\Music\\Arger.mp3"), std::nullopt);
  for (const char* other : {"\\Music\\x.mp3", "Music\\x.mp3", "C:Music\\x.mp3"}) {
    PlayList more = list;
    more.entries.emplace_back(other);
    EXPECT_FALSE(ValidLibrary(more, 1).allAbsolute()) << other;
  }
}

// Relative entries resolve against the playlist's folder with either
// separator, "\x" against its drive; replacements keep the entry's form and
// separator, and a song on another drive is written as listed.
TEST(EntryPathsWin32Test, RelativeFormsResolveAndAreWrittenBackInTheirForm) {
  const EntryPaths paths("C:\\Lists\\Road", true);
  EXPECT_EQ(paths.compared("..\\Music\\a.mp3"), "C:\\Lists\\Music\\a.mp3");
  EXPECT_EQ(paths.compared("../Music/a.mp3"), "C:\\Lists\\Music\\a.mp3");
  EXPECT_EQ(paths.compared("\\Music\\a.mp3"), "C:\\Music\\a.mp3");
  EXPECT_EQ(paths.compared("C:Music\\a.mp3"), "C:Music\\a.mp3");
  EXPECT_EQ(paths.compared("file:///C:/My%20Music/a.mp3"), "C:\\My Music\\a.mp3");
  EXPECT_TRUE(isDriveRelativePath("C:Music\\a.mp3"));
  EXPECT_FALSE(isDriveRelativePath("C:\\Music\\a.mp3"));
  const struct {
    const char* written;
    const char* target;
    const char* expected;
  } cases[] = {
      {"old\\a.mp3", "C:\\Music\\b.mp3", "..\\..\\Music\\b.mp3"},
      {"old/a.mp3", "C:\\Music\\b.mp3", "../../Music/b.mp3"},
      {"a.mp3", "c:\\lists\\road\\x\\b.mp3", "x\\b.mp3"},  // the folder in another case is the same
      {"\\Old\\a.mp3", "C:\\Music\\b.mp3", "\\Music\\b.mp3"},
      {"/Old/a.mp3", "C:\\Music\\b.mp3", "/Music/b.mp3"},
      {"old\\a.mp3", "D:\\Music\\b.mp3", "D:\\Music\\b.mp3"},  // no relative path to another drive
      {"\\Old\\a.mp3", "\\\\nas\\music\\b.mp3", "\\\\nas\\music\\b.mp3"},
      {"file:///C:/Old/a.mp3", "C:\\New Music\\b.mp3", "file:///C:/New%20Music/b.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(paths.replacement(c.written, c.target, c.target), c.expected) << c.written;
  EXPECT_EQ(paths.movedTo("..\\Music\\a.mp3", "D:\\Missing"), "C:\\Lists\\Music\\a.mp3");
  EXPECT_EQ(paths.movedTo("../Music/a.mp3", "C:\\Lists\\Other"), "../Music/a.mp3");
  EXPECT_EQ(paths.movedTo("..\\Music\\a.mp3", "C:\\"), "Lists\\Music\\a.mp3");
  EXPECT_EQ(paths.validForms("..\\Music\\a.mp3")[1], "C:\\Lists\\Music\\a.mp3");
}

}  // namespace
}  // namespace kw
