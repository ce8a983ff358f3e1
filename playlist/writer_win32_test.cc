// The save on Windows: an existing playlist is replaced with its attributes
// kept and nothing left beside it, devices and pipes are no files, a
// read-only playlist stays as it was, and either separator splits a name.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Lib/kw/err/error.h"
#include "playlist/path_forms.h"
#include "playlist/writer.h"
#include "playlist/writer_test_support.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

using trackmend_test::folderNames;
using trackmend_test::nativePath;
using trackmend_test::readFile;
using trackmend_test::writeFile;
using Names = std::vector<std::string>;

DWORD attributesOf(const std::string& name) { return GetFileAttributesW(nativePath(name).c_str()); }

TEST_F(WriterTest, ReplacingAnExistingPlaylistKeepsItsAttributes) {
  const std::string name = dir_.file("kept.m3u");
  writeFile(name, "old\n");
  ASSERT_TRUE(SetFileAttributesW(nativePath(name).c_str(), FILE_ATTRIBUTE_HIDDEN));
  save(sample(name));
  EXPECT_EQ(readFile(name), kSampleM3u);
  EXPECT_TRUE(attributesOf(name) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(folderNames(dir_.path()), Names{"kept.m3u"});  // no temporary or backup file left
  save(sample(dir_.file("new.m3u")));
  EXPECT_EQ(readFile(dir_.file("new.m3u")), kSampleM3u);
}

TEST_F(WriterTest, DevicesAndPipesAreNoRegularFiles) {
  for (const std::string& name : {std::string("NUL"), dir_.file("COM1"), std::string("\\\\.\\pipe\\trackmend")}) {
    try {
      checkSavable(name);
      ADD_FAILURE() << name << " was taken for a playlist";
    } catch (const err::Error& e) {
      EXPECT_EQ(std::string(e.what()), "Not a regular file ('" + name + "')");
    }
  }
}

TEST_F(WriterTest, ReadOnlyPlaylistStaysAsItWas) {
  const std::string name = dir_.file("locked.m3u");
  writeFile(name, "old\n");
  std::filesystem::permissions(nativePath(name), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(errorOf(sample(name), progress_), systemText(EACCES) + " ('" + name + "')");
  EXPECT_EQ(readFile(name), "old\n");
  EXPECT_EQ(folderNames(dir_.path()), Names{"locked.m3u"});
}

// '\' separates as '/' does: a relative path that would read as a comment
// and loses its final blanks becomes the file:// URI of the file it names.
TEST_F(WriterTest, BackslashesSeparateNames) {
  EXPECT_EQ(correctedPlaylistName("d/a.b\\c", true), "d/a.b\\c.pls");
  PlayList list(dir_.file("h.m3u"));
  list.entries.emplace_back("#C:\\x  ");
  save(list);
  EXPECT_EQ(readFile(list.fileName), fileUri(resolvedPath(dir_.path(), "#C:\\x  ")) + "\n");
}

}  // namespace
}  // namespace kw
