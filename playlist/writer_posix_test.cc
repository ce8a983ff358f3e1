// The save on POSIX: hard links, permission bits, symbolic links, resource
// limits, read-only and full file systems (tmpfs mounts, when allowed).
#include "playlist/writer.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>

#include "Lib/kw/err/error.h"
#include "playlist/path_forms.h"
#include "playlist/reader.h"
#include "playlist/writer_test_support.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

using trackmend_test::fileExists;
using trackmend_test::folderNames;
using trackmend_test::readFile;
using trackmend_test::writeFile;
using Names = std::vector<std::string>;

// A '\\' is a character of a name here, a Windows path's separator there.
TEST_F(WriterTest, BackslashesAreCharactersOfNames) {
  EXPECT_EQ(correctedPlaylistName("d/a.b\\c", true), "d/a.pls");
  PlayList list(dir_.file("h.m3u"));
  list.entries.emplace_back("#C:\\x  ");  // a Windows path: written as such, never as a file:// URI
  save(list);
  EXPECT_EQ(readFile(list.fileName), ".\\#C:\\x%20%20\n");
  list.fileName = dir_.file("h.pls");
  list.plsFormat = true;
  save(list);
  EXPECT_EQ(readFile(list.fileName), "[playlist]\nnumberofentries=1\nfile1=#C:\\x%20%20\n");
}

TEST_F(WriterTest, RenameToAnotherNameOfTheSameFileIsAllowed) {  // decision d
  // A case-insensitive file system shows a.M3U and a.m3u as one file; a
  // second hard link is the same situation seen through st_dev/st_ino.
  const std::string upper = dir_.file("a.M3U");
  writeFile(upper, "old\n");
  ASSERT_EQ(link(upper.c_str(), dir_.file("a.m3u").c_str()), 0);
  PlayList list(upper);
  list.entries.emplace_back("new.mp3");
  EXPECT_EQ(save(list), saving(upper) + renamed(dir_.file("a.m3u")));
  EXPECT_EQ(readFile(dir_.file("a.m3u")), "new.mp3\n");
  EXPECT_EQ(folderNames(dir_.path()), Names{"a.m3u"});
}

TEST_F(WriterTest, PermissionBitsAreKept) {  // decision c
  const std::string name = dir_.file("p.m3u");
  writeFile(name, "old\n");
  ASSERT_EQ(chmod(name.c_str(), 0640), 0);
  save(sample(name));
  struct stat info;
  ASSERT_EQ(stat(name.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  const mode_t savedMask = umask(027);
  save(sample(dir_.file("new.m3u")));
  umask(savedMask);
  ASSERT_EQ(stat(dir_.file("new.m3u").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(WriterTest, SymbolicLinkStaysALink) {  // decision c
  ASSERT_EQ(mkdir(dir_.file("real").c_str(), 0700), 0);
  const std::string target = dir_.file("real/list.m3u");
  writeFile(target, "old\n");
  const std::string link = dir_.file("link.m3u");
  ASSERT_EQ(symlink("real/list.m3u", link.c_str()), 0);
  EXPECT_EQ(save(sample(link)), saving(link));
  struct stat info;
  ASSERT_EQ(lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(readFile(target), kSampleM3u);
  EXPECT_EQ(folderNames(dir_.file("real")), Names{"list.m3u"});
  // A dangling link gets its target created.
  const std::string dangling = dir_.file("dangling.m3u");
  ASSERT_EQ(symlink("real/fresh.m3u", dangling.c_str()), 0);
  save(sample(dangling));
  EXPECT_EQ(readFile(dir_.file("real/fresh.m3u")), kSampleM3u);
  // A loop is an error, not a hang.
  const std::string loop = dir_.file("loop.m3u");
  ASSERT_EQ(symlink("loop.m3u", loop.c_str()), 0);
  EXPECT_EQ(errorOf(sample(loop), progress_), systemText(ELOOP) + " ('" + loop + "')");
}

// A playlist far bigger than `limit` bytes.
PlayList bigList(const std::string& fileName) {
  PlayList list(fileName);
  for (int i = 0; i < 20000; ++i) {
    list.entries.emplace_back("/music/artist " + std::to_string(i) + "/song.mp3",
                              "#EXTINF:100,Artist - Song " + std::to_string(i));
  }
  return list;
}

// Runs savePlaylist in a child process under a file-size limit and returns
// the error text it reported ("<saved>" when it succeeded).
std::string saveUnderFileSizeLimit(const PlayList& list, rlim_t limit) {
  int channel[2];
  if (pipe(channel) != 0) return "<pipe failed>";
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    signal(SIGXFSZ, SIG_IGN);
    const rlimit bound{limit, limit};
    setrlimit(RLIMIT_FSIZE, &bound);
    std::ostringstream progress;
    const std::string text = errorOf(list, progress);
    [[maybe_unused]] const ssize_t ignored = write(channel[1], text.data(), text.size());
    _exit(progress.str().rfind("Saving '", 0) == 0 ? 0 : 1);
  }
  close(channel[1]);
  std::string text;
  char chunk[256];
  ssize_t got;
  while ((got = read(channel[0], chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(got));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<child failed: " + text + ">";
  return text;
}

TEST_F(WriterTest, WriteBeyondTheFileSizeLimitLeavesTheOldFile) {  // decision c
  const std::string name = dir_.file("big.m3u");
  const std::string old = "#EXTM3U\n#EXTINF:1,Old\nold.mp3\n";
  writeFile(name, old);
  EXPECT_EQ(saveUnderFileSizeLimit(bigList(name), 64 * 1024),
            systemText(EFBIG) + " ('" + name + "')");
  EXPECT_EQ(readFile(name), old);
  EXPECT_EQ(folderNames(dir_.path()), Names{"big.m3u"});
  EXPECT_EQ(saveUnderFileSizeLimit(bigList(name), 64 * 1024 * 1024), "<saved>");
  EXPECT_NE(readFile(name), old);
}

TEST_F(WriterTest, ReadOnlyFileIsNotReplaced) {  // decision c
  // Root may write anything, so the save runs in a child without privileges.
  const std::string name = dir_.file("locked.m3u");
  writeFile(name, "old\n");
  const uid_t nobody = 65534;
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(dir_.path().c_str(), nobody, nobody), 0);
    ASSERT_EQ(chown(name.c_str(), nobody, nobody), 0);
  }
  ASSERT_EQ(chmod(name.c_str(), 0444), 0);
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    if (root && (setgid(nobody) != 0 || setuid(nobody) != 0)) _exit(2);
    std::ostringstream progress;
    const std::string text = errorOf(sample(name), progress);
    [[maybe_unused]] const ssize_t ignored = write(channel[1], text.data(), text.size());
    _exit(0);
  }
  close(channel[1]);
  char chunk[512];
  const ssize_t got = read(channel[0], chunk, sizeof chunk);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child could not drop privileges";
  EXPECT_EQ(std::string(chunk, got > 0 ? static_cast<size_t>(got) : 0),
            systemText(EACCES) + " ('" + name + "')");
  EXPECT_EQ(readFile(name), "old\n");
  EXPECT_EQ(folderNames(dir_.path()), Names{"locked.m3u"});
}

// A small tmpfs mounted inside a scratch directory, unmounted on exit.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& dir, const char* options) : dir_(dir) {
    mounted_ = mount("tmpfs", dir.c_str(), "tmpfs", 0, options) == 0;
    error_ = errno;
  }
  ~TmpfsMount() {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  std::string why() const { return systemText(error_); }
  bool makeReadOnly() {
    return mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  std::string dir_;
  bool mounted_ = false;
  int error_ = 0;
};

TEST_F(WriterTest, ReadOnlyDirectoryLeavesTheOldFile) {  // decision c
  const std::string mountPoint = dir_.file("ro");
  ASSERT_EQ(mkdir(mountPoint.c_str(), 0700), 0);
  TmpfsMount tmpfs(mountPoint, "size=1m");
  if (!tmpfs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << tmpfs.why() << ")";
  const std::string name = mountPoint + "/list.pls";
  writeFile(name, "[playlist]\nFile1=old.mp3\n");
  ASSERT_TRUE(tmpfs.makeReadOnly()) << systemText(errno);
  PlayList list = sample(name);
  progress_.str("");
  EXPECT_EQ(errorOf(list, progress_), systemText(EROFS) + " ('" + name + "')");
  EXPECT_EQ(progress_.str(), saving(name));
  EXPECT_EQ(readFile(name), "[playlist]\nFile1=old.mp3\n");
  EXPECT_EQ(folderNames(mountPoint), Names{"list.pls"});
}

TEST_F(WriterTest, FullFileSystemLeavesTheOldFile) {  // decision c
  const std::string mountPoint = dir_.file("full");
  ASSERT_EQ(mkdir(mountPoint.c_str(), 0700), 0);
  TmpfsMount tmpfs(mountPoint, "size=256k");
  if (!tmpfs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << tmpfs.why() << ")";
  const std::string name = mountPoint + "/list.m3u";
  writeFile(name, "old.mp3\n");
  EXPECT_EQ(errorOf(bigList(name), progress_), systemText(ENOSPC) + " ('" + name + "')");
  EXPECT_EQ(readFile(name), "old.mp3\n");
  EXPECT_EQ(folderNames(mountPoint), Names{"list.m3u"});
}

}  // namespace
}  // namespace kw
