#include "Lib/kw/sys_dep/path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Lib/kw/err/error.h"
#include "tests/support/test_support.h"

namespace kw::sys_dep {
namespace {

using Dirs = std::vector<std::string>;

TEST(PathTest, SplitsAtSemicolonsWhenThereAreAny) {
  EXPECT_EQ(Path("a;b;;c;").directories, (Dirs{"a", "b", "c"}));
  EXPECT_EQ(Path("C:\\x;/usr/bin:/bin").directories, (Dirs{"C:\\x", "/usr/bin:/bin"}));
  EXPECT_EQ(Path(";").directories, Dirs{});
}

TEST(PathTest, SplitsAtColonsOtherwiseAndKeepsDuplicates) {
  EXPECT_EQ(Path("/usr/bin:/bin").directories, (Dirs{"/usr/bin", "/bin"}));
  EXPECT_EQ(Path("::/bin::/bin:").directories, (Dirs{"/bin", "/bin"}));
  EXPECT_EQ(Path("").directories, Dirs{});
  EXPECT_EQ(Path(nullptr).directories, Dirs{});
}

TEST(PathTest, DefaultConstructorReadsTheEnvironment) {
  const char* saved = std::getenv("PATH");
  const std::string restore = saved ? saved : "";
  setenv("PATH", "/x:/y", 1);
  EXPECT_EQ(Path().directories, (Dirs{"/x", "/y"}));
  unsetenv("PATH");
  EXPECT_EQ(Path().directories, Dirs{});
  if (saved) setenv("PATH", restore.c_str(), 1);
}

TEST(DirectoryPartTest, CutsAtTheLastSlashOfEitherKind) {
  EXPECT_EQ(directoryPart("c:\\tools\\x.exe"), "c:\\tools");
  EXPECT_EQ(directoryPart("/usr/bin/x"), "/usr/bin");
  EXPECT_EQ(directoryPart("x.exe"), "");
  EXPECT_EQ(directoryPart("/x"), "");
  EXPECT_EQ(directoryPart("a\\b/c"), "a\\b");
  EXPECT_EQ(directoryPart("a/b\\c"), "a/b");
}

TEST(IsRegularFileTest, OnlyRegularFilesCount) {
  trackmend_test::ScratchDir dir;
  trackmend_test::writeFile(dir.file("f"), "x");
  EXPECT_TRUE(isRegularFile(dir.file("f")));
  EXPECT_FALSE(isRegularFile(dir.path()));
  EXPECT_FALSE(isRegularFile(dir.file("missing")));
  EXPECT_FALSE(isRegularFile(""));
  ASSERT_EQ(symlink("f", dir.file("link").c_str()), 0);
  EXPECT_TRUE(isRegularFile(dir.file("link")));
}

TEST(WithDriveLetterTest, MapsTheCygdrivePrefix) {
  EXPECT_EQ(withDriveLetter("/CYGDRIVE/E/lists"), "E:/lists");
  EXPECT_EQ(withDriveLetter("/cygdrive/d/Music"), "d:/Music");
  EXPECT_EQ(withDriveLetter("/cygdrive/c"), "c:");
  EXPECT_EQ(withDriveLetter("/cygdrive/"), "/cygdrive/");
  EXPECT_EQ(withDriveLetter("/"), "/");
  EXPECT_EQ(withDriveLetter("/cyg"), "/cyg");
  EXPECT_EQ(withDriveLetter("/home/cygdrive/c"), "/home/cygdrive/c");
}

// Changes the working directory for one test and restores it afterwards.
class WorkingDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = toFullPath(""); }
  void TearDown() override { ASSERT_EQ(chdir(saved_.c_str()), 0); }
  std::string saved_;
};

TEST_F(WorkingDirectoryTest, HasNoLengthLimit) {
  trackmend_test::ScratchDir dir;
  std::string deep = dir.path();
  for (int i = 0; i < 40; ++i) {  // about 1,600 bytes, beyond any fixed buffer of old
    deep += "/" + std::string(39, static_cast<char>('a' + i % 26));
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0) << std::strerror(errno);
  }
  ASSERT_EQ(chdir(deep.c_str()), 0);
  const std::string resolved = currentDirectory();
  EXPECT_GT(resolved.size(), 1500u);
  EXPECT_EQ(resolved.substr(resolved.size() - 40), "/" + std::string(39, 'a' + 39 % 26));
  EXPECT_EQ(toFullPath("x.m3u"), resolved + "/x.m3u");
}

TEST_F(WorkingDirectoryTest, RemovedDirectoryIsAnIOErrorForGetcwd) {
  trackmend_test::ScratchDir dir;
  const std::string gone = dir.file("gone");
  ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
  ASSERT_EQ(chdir(gone.c_str()), 0);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  try {
    currentDirectory();
    FAIL() << "no error";
  } catch (const err::IOError& e) {
    EXPECT_EQ(std::string(e.what()), std::string(std::strerror(ENOENT)) + " ('getcwd')");
  }
}

TEST_F(WorkingDirectoryTest, FullPathResolvesRelativeNamesLexically) {
  trackmend_test::ScratchDir dir;
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const std::string here = currentDirectory();
  EXPECT_EQ(toFullPath("a/b.exe"), here + "/a/b.exe");
  EXPECT_EQ(toFullPath("./a/../b//c/"), here + "/b/c");
  EXPECT_EQ(toFullPath("a", true), here + "/a");  // only the POSIX form exists
  EXPECT_EQ(toFullPath(""), here);
  EXPECT_EQ(toFullPath("/usr//bin/./x"), "/usr/bin/x");
  EXPECT_EQ(toFullPath("/../.."), "/");
  EXPECT_EQ(toFullPath("/a\\b"), "/a\\b");  // '\' is an ordinary character here
}

}  // namespace
}  // namespace kw::sys_dep

namespace kw::sys_dep {
namespace {

// A tree with a link "l" -> "real/lists" and a folder "real/music".
TEST(ResolvedAsKernelTest, DotDotFollowsLinksAsOpeningWould) {
  trackmend_test::ScratchDir dir;
  char* real = realpath(dir.path().c_str(), nullptr);
  ASSERT_NE(real, nullptr);
  const std::string root(real);
  std::free(real);
  for (const char* folder : {"/real", "/real/lists", "/real/music"}) ASSERT_EQ(mkdir((root + folder).c_str(), 0700), 0);
  ASSERT_EQ(symlink("real/lists", (root + "/l").c_str()), 0);
  const struct {
    std::string path, expected;
  } cases[] = {
      {root + "/l/../music/a.mp3", root + "/real/music/a.mp3"},    // through the link
      {root + "/l/a.mp3", root + "/l/a.mp3"},                      // no "..": links kept
      {root + "/l/./x//y/../z", root + "/real/lists/x/z"},         // longest existing part, then text
      {root + "/l/x/../../y", root + "/real/y"},                   // the last ".." decides
      {root + "/missing/../l/../b", root + "/b"},                  // from a missing part on, text
      {"/../..", "/"},
      {"/", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(resolvedAsKernel(c.path), c.expected) << c.path;
}

}  // namespace
}  // namespace kw::sys_dep
