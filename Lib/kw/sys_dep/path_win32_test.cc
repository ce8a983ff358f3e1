// Windows paths as the system gives them: drive letters and backslashes,
// never taken apart at the ':' of a drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/win32_support.h"
#include "tests/support/test_support.h"

namespace kw::sys_dep {
namespace {

using Dirs = std::vector<std::string>;

TEST(PathWin32Test, PathIsSplitAtSemicolonsOnly) {
  EXPECT_EQ(Path("C:\\bin").directories, Dirs{"C:\\bin"});
  EXPECT_EQ(Path("C:\\bin;;D:\\x y;").directories, (Dirs{"C:\\bin", "D:\\x y"}));
}

TEST(PathWin32Test, FullPathsHaveTheirDriveInFront) {
  const std::string here = currentDirectory();
  ASSERT_GE(here.size(), 3u);
  EXPECT_EQ(here.substr(1, 2), ":\\") << here;
  EXPECT_EQ(toFullPath("a/b\\..\\c.exe"), (here.back() == '\\' ? here : here + "\\") + "a\\c.exe");
  EXPECT_EQ(toFullPath("C:/x/./y"), "C:\\x\\y");
  EXPECT_EQ(resolvedAsKernel("C:\\x\\..\\y"), "C:\\y");
  EXPECT_EQ(directoryPart(toFullPath("x.exe")), here.back() == '\\' ? here.substr(0, here.size() - 1) : here);
}

// Beyond MAX_PATH the system's calls get the "\\?\" form of the full name;
// shorter names, and devices, stay as they are.
TEST(PathWin32Test, LongNamesGetThePrefixOfLongPaths) {
  const std::string deep = "C:\\" + std::string(300, 'x') + "/a.m3u";
  EXPECT_EQ(win32::systemPath(deep), L"\\\\?\\C:\\" + std::wstring(300, L'x') + L"\\a.m3u");
  EXPECT_EQ(win32::systemPath("\\\\nas\\" + std::string(300, 'x')), L"\\\\?\\UNC\\nas\\" + std::wstring(300, L'x'));
  EXPECT_EQ(win32::systemPath("C:/x.m3u"), L"C:/x.m3u");
  EXPECT_EQ(win32::systemPath("NUL"), L"NUL");
}

TEST(PathWin32Test, DevicesAndFoldersAreNoRegularFiles) {
  trackmend_test::ScratchDir dir;
  trackmend_test::writeFile(dir.file("f"), "x");
  EXPECT_TRUE(isRegularFile(dir.file("f")));
  EXPECT_FALSE(isRegularFile(dir.path()));
  EXPECT_FALSE(isRegularFile("NUL"));
  EXPECT_FALSE(isRegularFile(dir.file("missing")));
}

}  // namespace
}  // namespace kw::sys_dep
