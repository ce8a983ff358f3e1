// The path forms under Windows' rules: drives and UNC names are absolute,
// '\' and '/' separate, "\x" lies on the playlist's drive, "C:x" is left
// alone, and file:// URIs name drive paths.
#include <gtest/gtest.h>

#include <string>

#include "Lib/kw/sys_dep/path.h"
#include "playlist/path_forms.h"

namespace kw {
namespace {

TEST(PathFormsWin32Test, FormsOfWrittenPaths) {
  const struct {
    const char* path;
    PathForm form;
  } cases[] = {
      {"music\\a.mp3", PathForm::kRelative},     {"..\\a b.mp3", PathForm::kRelative},
      {"music/a.mp3", PathForm::kRelative},      {"\\Music\\a.mp3", PathForm::kRelative},
      {"/Music/a.mp3", PathForm::kRelative},     {"C:\\Music\\a.mp3", PathForm::kAsIs},
      {"c:/music", PathForm::kAsIs},             {"\\\\nas\\music\\a.mp3", PathForm::kAsIs},
      {"C:Music\\a.mp3", PathForm::kAsIs},       {"http://host/a.mp3", PathForm::kAsIs},
      {"file:///C:/a.mp3", PathForm::kFileUri},
  };
  for (const auto& c : cases) EXPECT_EQ(pathFormOf(c.path), c.form) << c.path;
  EXPECT_TRUE(isDriveRelativePath("c:a.mp3"));
  for (const char* path : {"C:\\a.mp3", "\\a.mp3", "a.mp3", "http://x/a"}) EXPECT_FALSE(isDriveRelativePath(path));
}

TEST(PathFormsWin32Test, FoldersAreResolvedAndRelatedByDriveAndShare) {
  EXPECT_EQ(writtenFolderOfFile("C:\\Lists\\..\\x.m3u"), "C:\\");
  EXPECT_EQ(writtenFolderOfFile("\\\\nas\\music\\lists/x.m3u"), "\\\\nas\\music\\lists");
  EXPECT_EQ(writtenFolderOfFile("x.m3u"), sys_dep::currentDirectory());
  const struct {
    const char* folder;
    const char* relative;
    const char* resolved;
  } resolve[] = {
      {"C:\\Lists", "..\\Music/a.mp3", "C:\\Music\\a.mp3"},
      {"C:\\Lists\\Road", "\\Music\\a.mp3", "C:\\Music\\a.mp3"},
      {"\\\\nas\\music\\lists", "..\\..\\..\\a.mp3", "\\\\nas\\music\\a.mp3"},  // never above the share
      {"C:\\", "./a//b.mp3", "C:\\a\\b.mp3"},
  };
  for (const auto& c : resolve) EXPECT_EQ(resolvedPath(c.folder, c.relative), c.resolved) << c.relative;
  EXPECT_EQ(relativePath("C:\\Lists\\Road", "c:\\lists\\MUSIC\\a.mp3", '\\'), "..\\MUSIC\\a.mp3");
  EXPECT_EQ(relativePath("C:\\", "C:\\a\\b.mp3", '/'), "a/b.mp3");
  EXPECT_EQ(relativePath("C:\\Lists", "D:\\a.mp3"), std::nullopt);
  EXPECT_EQ(relativePath("\\\\nas\\a", "\\\\NAS\\A\\b.mp3"), "b.mp3");
  EXPECT_EQ(extensionOf("C:\\dir.x\\list"), "");
}

TEST(PathFormsWin32Test, FileUrisNameDrivePaths) {
  EXPECT_EQ(fileUriPath("file:///C:/Music/a%20b.mp3"), "C:\\Music\\a b.mp3");
  EXPECT_EQ(fileUriPath("file:///C%3A%5CMusic%5Ca.mp3"), "C:\\Music\\a.mp3");
  EXPECT_EQ(fileUriPath("file://localhost/d:/x"), "d:\\x");
  EXPECT_EQ(fileUri("C:\\My Music\\\xC3\xA4.mp3"), "file:///C:/My%20Music/%C3%A4.mp3");
  EXPECT_EQ(fileUriPath(fileUri("C:\\My Music\\#1.mp3")), "C:\\My Music\\#1.mp3");
}

}  // namespace
}  // namespace kw
