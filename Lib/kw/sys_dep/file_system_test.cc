#include "Lib/kw/sys_dep/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

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

// /proc holds no file to replace, however a name gets there: spelled under
// it, or through a link of its folder or at its end; only "/proc/.." leaves.
TEST(FileSystem, NamesThatPassThroughProc) {
  ScratchDir dir;
  ASSERT_EQ(symlink("/proc/self/cwd", dir.file("cwd").c_str()), 0);
  ASSERT_EQ(symlink("/proc/self/fd/1", dir.file("out.m3u").c_str()), 0);
  ASSERT_EQ(symlink("/dev/null", dir.file("null.m3u").c_str()), 0);
  const std::pair<std::string, SystemPlace> cases[] = {
      {"/proc/self/cwd/x.m3u", SystemPlace::kNoFiles},
      {"/proc/self/root" + dir.file("x.m3u"), SystemPlace::kNoFiles},
      {"/proc/absent/x.m3u", SystemPlace::kNoFiles},
      {dir.file("cwd/x.m3u"), SystemPlace::kNoFiles},
      {dir.file("out.m3u"), SystemPlace::kNoFiles},
      {"/proc/.." + dir.file("x.m3u"), SystemPlace::kNone},
      {dir.file("x.m3u"), SystemPlace::kNone},
      {dir.file("null.m3u"), SystemPlace::kNone},  // a link into /dev: the save's own rule
      {"/dev/x.m3u", SystemPlace::kDevices},
  };
  for (const auto& [name, place] : cases) EXPECT_EQ(systemPlaceOf(name), place) << name;
}

// The reliability of the replacement itself is shown by the fault tests of
// the real binary (tests/faults): full disk, failing calls, SIGKILL.
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
  size_t files = 0;
  for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

}  // namespace
}  // namespace kw::sys_dep
