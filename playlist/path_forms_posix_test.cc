// The path forms under POSIX's rules: '/' alone; Windows paths are kept as
// written and their URIs escape every byte of "C:\".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "playlist/path_forms.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

TEST(PathFormsTest, FormsOfWrittenPaths) {
  const struct {
    const char* path;
    PathForm form;
  } cases[] = {
      {"music/a.mp3", PathForm::kRelative},
      {"../a b.mp3", PathForm::kRelative},
      {"a.mp3", PathForm::kRelative},
      {"~/a.mp3", PathForm::kRelative},
      {"/music/a.mp3", PathForm::kAsIs},
      {"music\\a.mp3", PathForm::kAsIs},
      {"C:/music/a.mp3", PathForm::kAsIs},
      {"c:a.mp3", PathForm::kAsIs},
      {"http://host/a.mp3", PathForm::kAsIs},
      {"svn+ssh://host/a", PathForm::kAsIs},
      {"file:///music/a.mp3", PathForm::kFileUri},
      {"FILE://LocalHost/a", PathForm::kFileUri},
      {"file://server/a", PathForm::kAsIs},
      {"file:/a", PathForm::kRelative},  // no "://": a folder named "file:"
      {"1http://x", PathForm::kRelative},
      {"x://a", PathForm::kAsIs},  // a drive letter, never a scheme
  };
  for (const auto& c : cases) EXPECT_EQ(pathFormOf(c.path), c.form) << c.path;
}

// The folder a playlist lives in is where the kernel finds it: a ".." after
// a link leads above the link's target, not back to the link's folder.
TEST(PathFormsTest, FolderOfAFileAsTheKernelFindsIt) {
  trackmend_test::ScratchDir dir;
  std::filesystem::create_directories(dir.file("real/lists"));
  std::filesystem::create_directory_symlink(dir.file("real/lists"), dir.file("l"));
  const std::string here = folderOfFile("x.m3u");
  const std::pair<std::string, std::string> cases[] = {
      {"/trackmend-absent/l/../b/x.m3u", "/trackmend-absent/b"},
      {"/x.m3u", "/"},
      {"x.m3u", here},
      {"./x.m3u", here},
      {dir.file("l/../x.m3u"), dir.file("real")},
      {dir.file("l/x.m3u"), dir.file("l")},
  };
  for (const auto& [name, folder] : cases) {
    EXPECT_EQ(writtenFolderOfFile(name), folder) << name;
    EXPECT_EQ(folderOfFile(name), folder) << name;
  }
}

TEST(PathFormsTest, FileUrisDecodeToPaths) {
  const struct {
    const char* uri;
    const char* path;  // null: not a file:// URI
  } cases[] = {
      {"file:///music/a%20b.mp3", "/music/a b.mp3"},
      {"file://localhost/x%2Fy", "/x/y"},
      {"file:///C:/Music/a.mp3", "C:/Music/a.mp3"},
      {"file:///C%3A/Music", "C:/Music"},
      {"file:///C%3A%5CMusic%5Ca.mp3", "C:\\Music\\a.mp3"},
      {"file:///C:", "C:"},
      {"file:///C:x", "/C:x"},
      {"file:///%e2%82%AC%zz%4", "/\xE2\x82\xAC%zz%4"},
      {"file:///a%00b", "/a"},
      {"file://host/a", nullptr},
      {"file://localhost", nullptr},
      {"http:///a", nullptr},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> path = fileUriPath(c.uri);
    if (!c.path) {
      EXPECT_FALSE(path) << c.uri;
      continue;
    }
    ASSERT_TRUE(path) << c.uri;
    if (std::string_view(c.uri).ends_with("%00b"))
      EXPECT_EQ(*path, std::string("/a\0b", 4));
    else
      EXPECT_EQ(*path, c.path) << c.uri;
  }
}

TEST(PathFormsTest, EncodingKeepsOnlyUnreservedBytesAndSlashes) {
  EXPECT_EQ(percentEncoded("/a b/Ünï-._~%&#?:;=+,"),
            "/a%20b/%C3%9Cn%C3%AF-._~%25%26%23%3F%3A%3B%3D%2B%2C");
  EXPECT_EQ(fileUri("/music/a b.mp3"), "file:///music/a%20b.mp3");
  EXPECT_EQ(fileUri("C:/Music/a.mp3"), "file:///C%3A/Music/a.mp3");
  EXPECT_EQ(*fileUriPath(fileUri("C:/Music/a.mp3")), "C:/Music/a.mp3");
  EXPECT_EQ(*fileUriPath(fileUri("C:\\Music\\a.mp3")), "C:\\Music\\a.mp3");
}

TEST(PathFormsTest, ResolvingAndRelatingPaths) {
  const struct {
    const char* folder;
    const char* relative;
    const char* resolved;
  } resolve[] = {
      {"/lists", "a.mp3", "/lists/a.mp3"},
      {"/lists/x", "../music//./b/../c.mp3", "/lists/music/c.mp3"},
      {"/", "../../a", "/a"},
      {"/lists", "sub/", "/lists/sub"},
  };
  for (const auto& c : resolve) EXPECT_EQ(resolvedPath(c.folder, c.relative), c.resolved);

  const struct {
    const char* folder;
    const char* target;
    const char* relative;
  } relate[] = {
      {"/lists", "/lists/a.mp3", "a.mp3"},
      {"/lists/road", "/music/x/a.mp3", "../../music/x/a.mp3"},
      {"/", "/music/a.mp3", "music/a.mp3"},
      {"/lists", "/lists", "."},
      {"/lists/sub", "/lists", ".."},
      {"/a/b", "/a/bc/d", "../bc/d"},
  };
  for (const auto& c : relate) {
    EXPECT_EQ(relativePath(c.folder, c.target), c.relative) << c.folder << " " << c.target;
    EXPECT_EQ(resolvedPath(c.folder, *relativePath(c.folder, c.target)), normalisedPath(c.target));
  }
  EXPECT_EQ(normalisedPath("//a/./b/../../.."), "/");
}

}  // namespace
}  // namespace kw
