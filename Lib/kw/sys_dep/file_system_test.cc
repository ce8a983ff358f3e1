#include "Lib/kw/sys_dep/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "Lib/kw/err/error.h"
#include "tests/support/test_support.h"

namespace kw::sys_dep {
namespace {

using trackmend_test::readFile;
using trackmend_test::ScratchDir;
using trackmend_test::writeFile;

std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const err::Error& e) {
    return e.what();
  }
  return "";
}

// /proc reports 64 as the size of its links, whatever their target: the
// target is read whole all the same, as is an ordinary link of 400 bytes.
TEST(FileSystem, LinkTargetsOfAnyLength) {
  ScratchDir dir;
  std::string deep = dir.path();
  for (int k = 0; deep.size() < 400; ++k) {
    deep += "/folder" + std::to_string(k);
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  writeFile(deep + "/list.m3u", "x\n");
  const int descriptor = ::open((deep + "/list.m3u").c_str(), O_RDONLY);
  ASSERT_GE(descriptor, 0);
  EXPECT_EQ(linkTarget("/proc/self/fd/" + std::to_string(descriptor), "fd"), deep + "/list.m3u");
  ::close(descriptor);
  ASSERT_EQ(symlink((deep + "/list.m3u").c_str(), dir.file("link").c_str()), 0);
  EXPECT_EQ(linkTarget(dir.file("link"), "link"), deep + "/list.m3u");
  EXPECT_EQ(errorOf([&] { linkTarget(dir.file("none"), "none"); }), "No such file or directory ('none')");
}

TEST(FileSystem, StatusTellsKindIdentityAndLinks) {
  ScratchDir dir;
  writeFile(dir.file("a"), "x");
  ASSERT_EQ(link(dir.file("a").c_str(), dir.file("b").c_str()), 0);
  ASSERT_EQ(symlink("a", dir.file("l").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.file("f").c_str(), 0600), 0);
  const FileStatus a = fileStatus(dir.file("a"), false, "a");
  EXPECT_EQ(a.type, FileType::kRegular);
  EXPECT_EQ(a.links, 2u);
  EXPECT_EQ(fileStatus(dir.file("b"), false, "b").identity, a.identity);
  EXPECT_EQ(fileStatus(dir.file("l"), false, "l").type, FileType::kSymbolicLink);
  EXPECT_EQ(fileStatus(dir.file("l"), true, "l").identity, a.identity);
  EXPECT_EQ(fileStatus(dir.file("f"), true, "f").type, FileType::kOther);
  EXPECT_EQ(fileStatus(dir.path(), true, "d").type, FileType::kDirectory);
  EXPECT_EQ(fileStatus(dir.file("none"), true, "n").type, FileType::kMissing);
  EXPECT_EQ(fileStatus(dir.file("a/under"), true, "u").type, FileType::kMissing);
  ASSERT_EQ(symlink("loop", dir.file("loop").c_str()), 0);
  EXPECT_EQ(errorOf([&] { fileStatus(dir.file("loop"), true, "loop"); }),
            "Too many levels of symbolic links ('loop')");
}

TEST(FileSystem, ReplacementOnlyOnCommitAndProbeLeavesNothing) {
  ScratchDir dir;
  writeFile(dir.file("list.m3u"), "old\n");
  ASSERT_EQ(chmod(dir.file("list.m3u").c_str(), 0640), 0);
  {
    ReplacementFile abandoned(dir.file("list.m3u"), "list.m3u");
    abandoned.write("half");
  }
  {
    ReplacementFile replacement(dir.file("list.m3u"), "list.m3u");
    replacement.write("new\n");
    replacement.commit();
  }
  EXPECT_EQ(readFile(dir.file("list.m3u")), "new\n");
  struct stat info;
  ASSERT_EQ(stat(dir.file("list.m3u").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  probeFileCreation(dir.path());
  EXPECT_EQ(errorOf([&] { probeFileCreation(dir.file("none")); }),
            "No such file or directory ('" + dir.file("none") + "')");
  EXPECT_EQ(errorOf([&] { renameFile(dir.file("list.m3u"), dir.file("list.m3u"), false); }),
            "File exists for rename ('" + dir.file("list.m3u") + " -> " + dir.file("list.m3u") +
                "')");
  size_t files = 0;
  for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

// The kernel's rule: a link in a sticky folder writable by everyone is
// followed only by its owner or when the folder's owner owns it.
TEST(FileSystem, ForeignLinkInASharedFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
  ScratchDir dir;
  ASSERT_EQ(mkdir(dir.file("shared").c_str(), 01777), 0);
  ASSERT_EQ(chmod(dir.file("shared").c_str(), 01777), 0);
  ASSERT_EQ(mkdir(dir.file("private").c_str(), 0755), 0);
  for (const char* folder : {"shared", "private"}) {
    ASSERT_EQ(symlink("x", dir.file(std::string(folder) + "/mine").c_str()), 0);
    ASSERT_EQ(symlink("x", dir.file(std::string(folder) + "/theirs").c_str()), 0);
    ASSERT_EQ(lchown(dir.file(std::string(folder) + "/theirs").c_str(), 4242, 4242), 0);
  }
  EXPECT_TRUE(isForeignLinkInSharedFolder(dir.file("shared/theirs")));
  EXPECT_FALSE(isForeignLinkInSharedFolder(dir.file("shared/mine")));
  EXPECT_FALSE(isForeignLinkInSharedFolder(dir.file("private/theirs")));
  ASSERT_EQ(chown(dir.file("shared").c_str(), 4242, 4242), 0);
  EXPECT_FALSE(isForeignLinkInSharedFolder(dir.file("shared/theirs")));
}

}  // namespace
}  // namespace kw::sys_dep
