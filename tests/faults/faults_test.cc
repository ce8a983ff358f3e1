// The real binary under faults of its environment: a full disk, a file-size
// limit, a read-only folder, a directory or an unreadable file named as a
// playlist, an existing rename target, standard streams closed early or not
// open at all, and SIGKILL at random moments of a large save. Whatever
// happens, every playlist on disk is either completely rewritten (equal to
// what an undisturbed run writes) or byte-identical to before.
//
// CI runs as root, where permission bits stop nothing: read-only and full
// places are small tmpfs mounts. Those tests skip when mounting is not
// permitted.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/faults/child_process.h"
#include "tests/support/test_support.h"

namespace trackmend_faults {
namespace {

using Files = std::map<std::string, std::string>;
using trackmend_test::ScratchDir;

void writeFiles(const std::string& dir, const Files& files) {
  for (const auto& [name, content] : files) trackmend_test::writeFile(dir + "/" + name, content);
}

// What an undisturbed run makes of `files`: the folder's content afterwards.
Files referenceRun(const Files& files, const std::vector<std::string>& args, const std::string& input = "") {
  ScratchDir dir;
  writeFiles(dir.path(), files);
  ChildOptions options;
  options.args = args;
  options.workDir = dir.path();
  options.input = input;
  const ChildResult result = runTool(options);
  EXPECT_TRUE(result.exited && result.status == 0) << describe(result);
  return snapshot(dir.path());
}

// Song paths /music/<n>/song<n>.mp3, one per line, with `lineEnd`.
std::string songList(int count, const std::string& lineEnd = "\n", const std::string& prefix = "/music/") {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += prefix + std::to_string(i % 97) + "/song" + std::to_string(i) + ".mp3" + lineEnd;
  return text;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A tmpfs mounted on a fresh folder for one test, unmounted afterwards.
class Tmpfs {
 public:
  Tmpfs(const std::string& dir, const std::string& size) : dir_(dir) {
    mkdir(dir.c_str(), 0755);
    const std::string data = "size=" + size;
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, data.c_str()) == 0)
      mounted_ = true;
    else
      error_ = std::strerror(errno);
  }
  ~Tmpfs() {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;

  bool mounted() const { return mounted_; }
  std::string whyNot() const { return "mounting a tmpfs is not permitted here (" + error_ + "); run as root"; }
  bool remountReadOnly() { return mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

 private:
  std::string dir_;
  bool mounted_ = false;
  std::string error_;
};

// Fills the file system of `dir` up to the last byte with one file.
void fillUp(const std::string& dir) {
  std::ofstream filler(dir + "/filler", std::ios::binary);
  const std::string block(4096, 'x');
  while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
  }
  filler.clear();
  filler.close();
  // The last partial block: write byte by byte until the file system refuses.
  std::FILE* f = std::fopen((dir + "/filler").c_str(), "ab");
  setvbuf(f, nullptr, _IONBF, 0);
  while (std::fputc('y', f) != EOF) {
  }
  std::fclose(f);
}

// Expected outcome for each playlist: the old bytes, or the new ones.
void expectEachKeptOrRewritten(const Files& before, const Files& rewritten, const Files& after,
                               const std::string& context) {
  for (const auto& [name, content] : after) {
    if (!before.count(name) && !rewritten.count(name)) continue;  // a killed save's temporary file
    const bool wasThere = before.count(name) && before.at(name) == content;
    const bool isNew = rewritten.count(name) && rewritten.at(name) == content;
    EXPECT_TRUE(wasThere || isNew) << context << ": " << name << " is neither the old nor the new playlist ("
                                   << content.size() << " bytes)";
  }
  for (const auto& [name, content] : before)
    EXPECT_TRUE(after.count(name) || rewritten.count(name) == 0) << context << ": " << name << " vanished";
}

// ---------------------------------------------------------------- saving

const Files kConvertible = {{"v.m3u", songList(40)}, {"i.m3u", songList(40, "\r\n")}};

TEST(SaveFaults, FileSizeLimitKeepsTheOldPlaylist) {
  ScratchDir dir;
  writeFiles(dir.path(), kConvertible);
  ChildOptions options;
  options.args = {"-P", "v.m3u", "i.m3u"};
  options.workDir = dir.path();
  options.fileSizeLimit = kConvertible.at("i.m3u").size();  // the PLS form is larger
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_TRUE(endsWith(result.out, "Saving 'i.m3u'\n")) << describe(result);
  EXPECT_TRUE(endsWith(result.err, "\nError in trackmend: File too large ('i.m3u')\nIgnored. Continuing.\n"))
      << describe(result);
  EXPECT_EQ(kConvertible, snapshot(dir.path()));
}

TEST(SaveFaults, FileSizeLimitOnTheMissingListEndsTheRun) {
  // The repaired playlist fits under the limit, the appended missing list
  // does not: the first is saved, the second kept, the run ends with 1. The
  // one entry is asked about (-s 0) and skipped by the end of input.
  const Files files = {{"v.m3u", songList(5)},
                       {"i.m3u", "/old/3/song3.mp3\n"},
                       {"miss.m3u", songList(200, "\n", "/missing/")}};
  const std::vector<std::string> args = {"-s", "0", "-A", "-m", "miss.m3u", "v.m3u", "i.m3u"};
  const Files rewritten = referenceRun(files, args);
  ScratchDir dir;
  writeFiles(dir.path(), files);
  ChildOptions options;
  options.args = args;
  options.workDir = dir.path();
  options.fileSizeLimit = files.at("miss.m3u").size();
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(1, result.status) << describe(result);
  EXPECT_TRUE(endsWith(result.err, "\nError in trackmend: File too large ('miss.m3u')\n")) << describe(result);
  const Files after = snapshot(dir.path());
  EXPECT_EQ(files.at("miss.m3u"), after.at("miss.m3u"));
  EXPECT_EQ(rewritten.at("i.m3u"), after.at("i.m3u"));
  EXPECT_EQ(files.size(), after.size()) << "a temporary file was left behind";
}

TEST(SaveFaults, FullFileSystemKeepsTheOldPlaylist) {
  ScratchDir scratch;
  Tmpfs fs(scratch.file("full"), "64k");
  if (!fs.mounted()) GTEST_SKIP() << fs.whyNot();
  writeFiles(scratch.file("full"), kConvertible);
  fillUp(scratch.file("full"));
  const Files before = snapshot(scratch.file("full"));
  ChildOptions options;
  options.args = {"-P", "v.m3u", "i.m3u"};
  options.workDir = scratch.file("full");
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_TRUE(endsWith(result.err, "\nError in trackmend: No space left on device ('i.m3u')\nIgnored. Continuing.\n"))
      << describe(result);
  EXPECT_EQ(before, snapshot(scratch.file("full")));
}

TEST(SaveFaults, ReadOnlyFolderIsSkippedAndTheNextPlaylistSaved) {
  ScratchDir scratch;
  Tmpfs fs(scratch.file("ro"), "1m");
  if (!fs.mounted()) GTEST_SKIP() << fs.whyNot();
  writeFiles(scratch.file("ro"), {{"i.m3u", kConvertible.at("i.m3u")}});
  ASSERT_TRUE(fs.remountReadOnly()) << std::strerror(errno);
  writeFiles(scratch.path(), {{"v.m3u", kConvertible.at("v.m3u")}, {"w.m3u", kConvertible.at("i.m3u")}});
  const Files before = snapshot(scratch.path());
  ChildOptions options;
  options.args = {"v.m3u", "ro/i.m3u", "w.m3u"};
  options.workDir = scratch.path();
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  // Found before the repair, so before any question, and named by the folder.
  EXPECT_NE(std::string::npos,
            result.err.find("\nError in trackmend: Read-only file system ('ro')\nIgnored. Continuing.\n"))
      << describe(result);
  EXPECT_EQ(std::string::npos, result.out.find("Saving 'ro/i.m3u'")) << describe(result);
  EXPECT_TRUE(endsWith(result.out, "Saving 'w.m3u'\n\n")) << describe(result);
  const Files after = snapshot(scratch.path());
  EXPECT_EQ(before.at("ro/i.m3u"), after.at("ro/i.m3u"));
  EXPECT_EQ(songList(40), after.at("w.m3u"));  // rewritten with line feeds
  EXPECT_EQ(before.size(), after.size());
}

TEST(SaveFaults, ExistingRenameTargetIsNeverReplaced) {
  // Found by the output plan before anything is read, in the words the
  // rename would use; the rename itself never replaces either (writer_test).
  const Files files = {{"v.m3u", songList(10)},
                       {"i.pls", "[playlist]\nnumberofentries=1\nFile1=/music/3/song3.mp3\nTitle1=Three\nLength1=3\n"},
                       {"i.m3u", "precious other playlist\n"}};
  ScratchDir dir;
  writeFiles(dir.path(), files);
  ChildOptions options;
  options.args = {"-M", "v.m3u", "i.pls"};
  options.workDir = dir.path();
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(1, result.status) << describe(result);
  EXPECT_EQ("\nError in trackmend: File exists for rename ('i.pls -> i.m3u')\n", result.err) << describe(result);
  EXPECT_EQ("", result.out);
  EXPECT_EQ(files, snapshot(dir.path()));
}

// ------------------------------------------- what a save may not replace

bool isOfType(const std::string& name, mode_t type) {
  struct stat info;
  return lstat(name.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == type;
}

TEST(SaveFaults, OutputsThatAreNoRegularFileAreNeverReplaced) {
  // A FIFO, a device node (made here, never the machine's /dev) and a link
  // into /proc (as /dev/stdout is) are refused before anything is read; an
  // invalidList that is no regular file is skipped before it is read.
  const struct {
    std::vector<std::string> args;
    const char* name;
    int status;
    const char* errTail;
  } cases[] = {
      {{"-m", "fifo", "v.m3u", "i.m3u"}, "fifo", 1, "\nError in trackmend: Not a regular file ('fifo')\n"},
      {{"-m", "node", "v.m3u", "i.m3u"}, "node", 1, "\nError in trackmend: Not a regular file ('node')\n"},
      {{"-D", "v.m3u", "out.pls"}, "out.pls", 1, "\nError in trackmend: Not a regular file ('out.pls')\n"},
      {{"v.m3u", "fifo", "i.m3u"}, "fifo", 0,
       "\nError in trackmend: Not a regular file ('fifo')\nIgnored. Continuing.\nUsing command line minimum match "
       "value (0.1)\n"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    writeFiles(dir.path(), {{"v.m3u", songList(3)}, {"i.m3u", songList(3, "\r\n")}});
    ASSERT_EQ(0, mkfifo(dir.file("fifo").c_str(), 0600));
    ASSERT_EQ(0, symlink("/proc/self/fd/1", dir.file("out.pls").c_str()));
    const bool device = mknod(dir.file("node").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    if (!device && std::string(c.name) == "node") {
      std::printf("device node case skipped: mknod needs root (%s)\n", std::strerror(errno));
      continue;
    }
    ChildOptions options;
    options.args = c.args;
    options.workDir = dir.path();
    const ChildResult result = runTool(options);
    ASSERT_TRUE(result.exited) << c.name << ": " << describe(result);
    EXPECT_EQ(c.status, result.status) << c.name << ": " << describe(result);
    EXPECT_TRUE(endsWith(result.err, c.errTail)) << c.name << ": " << describe(result);
    EXPECT_EQ(std::string::npos, result.out.find("Saving '" + std::string(c.name))) << describe(result);
    EXPECT_TRUE(isOfType(dir.file("fifo"), S_IFIFO));
    EXPECT_TRUE(!device || isOfType(dir.file("node"), S_IFCHR));
    EXPECT_TRUE(isOfType(dir.file("out.pls"), S_IFLNK));
    const Files after = snapshot(dir.path());
    EXPECT_EQ(0u, after.count("fifo.m3u") + after.count("node.m3u") + after.count("out.m3u")) << c.name;
  }
}

TEST(SaveFaults, ALinkPlantedInASharedFolderIsNotFollowed) {
  // Another user's link in a sticky folder writable by everyone (as /tmp
  // is) would redirect the missing list into the victim's files: a link to
  // the playlist itself, or to a folder on the way, as the kernel refuses
  // every such link of a path.
  if (geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
  const struct {
    const char* link;
    const char* target;
    const char* output;
  } cases[] = {{"shared/x.m3u", "victim/list.m3u", "shared/x.m3u"},
               {"shared/linkdir", "victim", "shared/linkdir/list.m3u"}};
  for (const auto& c : cases) {
    ScratchDir dir;
    ASSERT_EQ(0, mkdir(dir.file("victim").c_str(), 0755));
    writeFiles(dir.path(), {{"v.m3u", songList(3)}, {"i.m3u", "/old/3/song3.mp3\n"}, {"victim/list.m3u", "mine\n"}});
    ASSERT_EQ(0, mkdir(dir.file("shared").c_str(), 01777));
    ASSERT_EQ(0, chmod(dir.file("shared").c_str(), 01777));
    ASSERT_EQ(0, symlink(dir.file(c.target).c_str(), dir.file(c.link).c_str()));
    ASSERT_EQ(0, lchown(dir.file(c.link).c_str(), 4242, 4242));
    const Files before = snapshot(dir.path());
    ChildOptions options;
    options.args = {"-s", "0", "-m", c.output, "v.m3u", "i.m3u"};
    options.workDir = dir.path();
    const ChildResult result = runTool(options);
    ASSERT_TRUE(result.exited) << describe(result);
    EXPECT_EQ(1, result.status) << describe(result);
    EXPECT_EQ("\nError in trackmend: Not following a link in a shared folder ('" + std::string(c.output) + "')\n",
              result.err);
    EXPECT_EQ(before, snapshot(dir.path())) << c.output;
  }
}

TEST(SaveFaults, AHardLinkedPlaylistIsReplacedAndTheOtherLinksKeepTheOldContent) {
  ScratchDir dir;
  const Files files = {{"v.m3u", songList(3)}, {"i.m3u", songList(3, "\r\n")}};
  writeFiles(dir.path(), files);
  ASSERT_EQ(0, link(dir.file("i.m3u").c_str(), dir.file("other.m3u").c_str()));
  ChildOptions options;
  options.args = {"v.m3u", "i.m3u"};
  options.workDir = dir.path();
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_TRUE(endsWith(result.err, "'i.m3u' had other hard links; they keep the old content.\n")) << describe(result);
  EXPECT_EQ(songList(3), trackmend_test::readFile(dir.file("i.m3u")));
  EXPECT_EQ(files.at("i.m3u"), trackmend_test::readFile(dir.file("other.m3u")));
}

// ------------------------------------------------- interposed system calls

// The child's environment for the interposed calls of interpose.cc, tracing
// into `trace` and failing `failCall` ("" for none).
std::vector<std::string> interposed(const std::string& trace, const std::string& failCall = "") {
  std::vector<std::string> environment = {std::string("LD_PRELOAD=") + TRACKMEND_INTERPOSE,
                                          "TRACKMEND_TRACE=" + trace};
  if (!failCall.empty()) environment.push_back("TRACKMEND_FAIL_CALL=" + failCall);
  // The library is loaded ahead of a sanitizer's runtime.
  const char* asan = std::getenv("ASAN_OPTIONS");
  environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0");
  return environment;
}

TEST(SaveFaults, FailingCallsDuringTheSaveLeaveNoTemporaryFile) {
  // fchmod fails right after the temporary file is made, the first fsync
  // flushes its content: the old playlist stays, and neither the file nor
  // its descriptor does. The second fsync flushes the folder after the
  // rename: the new playlist is in place, and the failure is reported.
  const Files files = {{"v.m3u", songList(10)}, {"i.m3u", songList(10, "\r\n")}};
  const std::vector<std::string> args = {"v.m3u", "i.m3u"};
  const Files rewritten = referenceRun(files, args);
  const struct {
    const char* call;
    bool saved;
  } cases[] = {{"fchmod", false}, {"fsync", false}, {"fsync:2", true}};
  for (const auto& c : cases) {
    ScratchDir dir, traceDir;
    writeFiles(dir.path(), files);
    ChildOptions options;
    options.args = args;
    options.workDir = dir.path();
    options.environment = interposed(traceDir.file("trace"), c.call);
    const ChildResult result = runTool(options);
    ASSERT_TRUE(result.exited) << c.call << ": " << describe(result);
    EXPECT_EQ(0, result.status) << c.call << ": " << describe(result);
    EXPECT_TRUE(endsWith(result.err, "\nError in trackmend: Input/output error ('i.m3u')\nIgnored. Continuing.\n"))
        << c.call << ": " << describe(result);
    EXPECT_EQ(c.saved ? rewritten : files, snapshot(dir.path())) << c.call;
    EXPECT_EQ(std::string::npos, trackmend_test::readFile(traceDir.file("trace")).find("open "))
        << c.call << ": a descriptor of the temporary file stayed open";
  }
}

TEST(SaveFaults, ContentAndRenamesAreFlushedInOrder) {
  // So that a crash of the machine leaves each playlist old or new: the
  // content is flushed before the rename that puts it in place, and the
  // folder after every rename (for a linked playlist the target's folder,
  // and the link's folder after the link gets its new extension).
  ScratchDir dir, traceDir;
  ASSERT_EQ(0, mkdir(dir.file("real").c_str(), 0755));
  writeFiles(dir.path(), {{"v.m3u", songList(10)}, {"i.m3u", songList(3, "\r\n")}, {"real/l.m3u", songList(2)}});
  ASSERT_EQ(0, symlink("real/l.m3u", dir.file("l.m3u").c_str()));
  ChildOptions options;
  options.args = {"-P", "v.m3u", "i.m3u", "l.m3u"};
  options.workDir = dir.path();
  options.environment = interposed(traceDir.file("trace"));
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited && result.status == 0) << describe(result);
  std::string trace = trackmend_test::readFile(traceDir.file("trace"));
  for (size_t at = 0; (at = trace.find("/.trackmend-", at)) != std::string::npos; at += 12)
    trace.replace(at + 12, 6, "*");  // mkstemp's random letters
  char resolved[PATH_MAX];
  ASSERT_TRUE(realpath(dir.path().c_str(), resolved));
  const std::string d = resolved;
  EXPECT_EQ("fsync " + d + "/.trackmend-*\n" +
                "rename " + d + "/.trackmend-* " + d + "/i.m3u\n" +
                "fsync " + d + "\n" +
                "rename " + d + "/i.m3u " + d + "/i.pls\n" +
                "fsync " + d + "\n" +
                "fsync " + d + "/real/.trackmend-*\n" +
                "rename " + d + "/real/.trackmend-* " + d + "/real/l.m3u\n" +
                "fsync " + d + "/real\n" +
                "rename " + d + "/l.m3u " + d + "/l.pls\n" +
                "fsync " + d + "\n",
            trace);
}

// ---------------------------------------------------------------- reading

TEST(ReadFaults, DirectoryAsPlaylist) {
  ScratchDir dir;
  writeFiles(dir.path(), {{"v.m3u", songList(3)}, {"w.m3u", songList(3)}});
  mkdir(dir.file("dir.m3u").c_str(), 0755);
  ChildOptions options;
  options.workDir = dir.path();

  options.args = {"v.m3u", "dir.m3u", "w.m3u"};
  ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_NE(std::string::npos, result.err.find("\nError in trackmend: Is a directory ('dir.m3u')\nIgnored. Continuing.\n"))
      << describe(result);
  EXPECT_TRUE(endsWith(result.out, "Saving 'w.m3u'\n\n")) << describe(result);

  // A folder is a valid list (it is scanned for songs), never a playlist to
  // write: found before anything is read.
  options.args = {"-m", "dir.m3u", "v.m3u", "w.m3u"};
  result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(1, result.status) << describe(result);
  EXPECT_EQ("\nError in trackmend: Is a directory ('dir.m3u')\n", result.err) << describe(result);
  EXPECT_EQ("", result.out) << describe(result);
}

TEST(ReadFaults, ReadErrorIsNeverTakenForTheEndOfTheFile) {
  // Reading /proc/self/mem at offset 0 fails with EIO after a successful
  // open: a reader that took that for the end would save an empty playlist.
  // (As an invalidList it is not even read: its link leads into /proc.)
  ScratchDir dir;
  writeFiles(dir.path(), {{"v.m3u", songList(3)}});
  ASSERT_EQ(0, symlink("/proc/self/mem", dir.file("mem.m3u").c_str()));
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"mem.m3u", "v.m3u"};
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(1, result.status) << describe(result);
  EXPECT_EQ("\nError in trackmend: Input/output error ('mem.m3u')\n", result.err);
}

TEST(ReadFaults, UnopenableFileIsReportedWithTheSystemText) {
  ScratchDir dir;
  writeFiles(dir.path(), {{"v.m3u", songList(3)}});
  ASSERT_EQ(0, symlink("loop.m3u", dir.file("loop.m3u").c_str()));
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"v.m3u", "loop.m3u"};
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_TRUE(endsWith(result.err,
                       "\nError in trackmend: Too many levels of symbolic links ('loop.m3u')\nIgnored. Continuing.\n"))
      << describe(result);
  EXPECT_EQ("-> loop.m3u", snapshot(dir.path()).at("loop.m3u"));
}

// ---------------------------------------------------------------- streams

// Three songs that only the dialogue can repair, with a missing list.
const Files kDialogue = {
    {"v.m3u", "/music/alpha/river.mp3\n/music/beta/stone.mp3\n/music/gamma/wind.mp3\n"},
    {"i.m3u", "/old/alpha/river.mp3\n/old/beta/stone.mp3\n/old/gamma/wind.mp3\n"}};
const std::vector<std::string> kDialogueArgs = {"-m", "miss.m3u", "v.m3u", "i.m3u"};

TEST(StreamFaults, StandardInputClosedInTheMiddleOfTheDialogue) {
  // One answer, then the end of input: the remaining entries read empty
  // answers (skipped into the missing list), as if ENTER had been pressed.
  const Files expected = referenceRun(kDialogue, kDialogueArgs, "1\n\n\n");
  ScratchDir dir;
  writeFiles(dir.path(), kDialogue);
  ChildOptions options;
  options.args = kDialogueArgs;
  options.workDir = dir.path();
  options.input = "1\n";
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_EQ(expected, snapshot(dir.path()));
  EXPECT_NE(expected.at("i.m3u"), kDialogue.at("i.m3u"));
}

TEST(StreamFaults, StandardStreamsNotOpenAtAll) {
  // A closed descriptor 0, 1 or 2 is handed out by the next open: the
  // playlists must not receive dialogue or progress text through it.
  const Files expected = referenceRun(kDialogue, kDialogueArgs, "");
  for (int stream = 0; stream < 3; ++stream) {
    ScratchDir dir;
    writeFiles(dir.path(), kDialogue);
    ChildOptions options;
    options.args = kDialogueArgs;
    options.workDir = dir.path();
    options.stdinNotOpen = stream == 0;
    options.stdoutNotOpen = stream == 1;
    options.stderrNotOpen = stream == 2;
    const ChildResult result = runTool(options);
    ASSERT_TRUE(result.exited) << "descriptor " << stream << ": " << describe(result);
    EXPECT_EQ(0, result.status) << "descriptor " << stream << ": " << describe(result);
    EXPECT_EQ(expected, snapshot(dir.path())) << "descriptor " << stream << " closed";
  }
}

// Three playlists that are rewritten without any question.
const Files kThreeLists = {{"v.m3u", songList(300)},
                           {"a.m3u", songList(300, "\r\n")},
                           {"b.m3u", songList(200, "\r\n")},
                           {"c.m3u", songList(100, "\r\n")}};
const std::vector<std::string> kThreeListArgs = {"v.m3u", "a.m3u", "b.m3u", "c.m3u"};

TEST(StreamFaults, StandardOutputClosedAfterTheFirstLine) {
  // `trackmend ... | head -1`: the run dies of SIGPIPE at its next flush of
  // standard output (or, with SIGPIPE ignored, goes on writing into the
  // void); either way each playlist is old or new, never half-written.
  const Files rewritten = referenceRun(kThreeLists, kThreeListArgs);
  for (bool ignoreSigpipe : {false, true}) {
    ScratchDir dir;
    writeFiles(dir.path(), kThreeLists);
    ChildOptions options;
    options.args = kThreeListArgs;
    options.workDir = dir.path();
    options.stdoutLinesWanted = 1;
    options.ignoreSigpipe = ignoreSigpipe;
    const ChildResult result = runTool(options);
    EXPECT_EQ("Reading playlist 'v.m3u'\n", result.out);
    if (ignoreSigpipe) {
      EXPECT_TRUE(result.exited && result.status == 0) << describe(result);
      EXPECT_EQ(rewritten, snapshot(dir.path()));
    } else {
      EXPECT_TRUE((result.exited && result.status == 0) || result.signal == SIGPIPE) << describe(result);
      expectEachKeptOrRewritten(kThreeLists, rewritten, snapshot(dir.path()), "SIGPIPE");
    }
  }
}

// ---------------------------------------------------------------- kill

TEST(KillFaults, SigkillAtRandomMomentsWhileSavingALargePlaylist) {
  // The large playlist is the missing list of 500,000 entries (-A -m): it is
  // read, one skipped entry is appended, and it is saved (CR LF becomes LF)
  // right after the small repaired playlist. The run is killed at random
  // moments of the whole run and of the save; afterwards each playlist is
  // either the old or the new one. Temporary files of a killed save may stay
  // behind; no half-written playlist does.
  std::string big;
  for (int i = 0; i < 25; ++i) big += songList(20000, "\r\n", "/collection/");
  const Files files = {{"v.m3u", songList(20)}, {"i.m3u", "/old/3/song3.mp3\n"}, {"big.m3u", big}};
  const std::vector<std::string> args = {"-s", "0", "-A", "-m", "big.m3u", "v.m3u", "i.m3u"};
  ScratchDir reference;
  writeFiles(reference.path(), files);
  ChildOptions options;
  options.args = args;
  options.workDir = reference.path();
  const ChildResult clean = runTool(options);
  ASSERT_TRUE(clean.exited && clean.status == 0) << describe(clean);
  const Files rewritten = snapshot(reference.path());
  ASSERT_NE(rewritten.at("big.m3u"), files.at("big.m3u"));

  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> anyMoment(0, clean.seconds * 1.1);
  std::uniform_real_distribution<double> duringSave(0, 0.03);
  int kept = 0, replaced = 0, finished = 0, leftovers = 0;
  for (int round = 0; round < 16; ++round) {
    ScratchDir dir;
    writeFiles(dir.path(), files);
    ChildOptions killed = options;
    killed.workDir = dir.path();
    // Even rounds: any moment of the run. Odd rounds: after the small
    // playlist's save was flushed, that is while the large one is saved.
    killed.killAfterOutput = round % 2 ? "Saving 'i.m3u'" : "";
    killed.killDelaySeconds = round % 2 ? duringSave(random) : anyMoment(random);
    const ChildResult result = runTool(killed);
    finished += result.exited ? 1 : 0;
    const Files after = snapshot(dir.path());
    expectEachKeptOrRewritten(files, rewritten, after, "round " + std::to_string(round));
    kept += after.at("big.m3u") == files.at("big.m3u") ? 1 : 0;
    replaced += after.at("big.m3u") == rewritten.at("big.m3u") ? 1 : 0;
    for (const auto& entry : after) leftovers += files.count(entry.first) ? 0 : 1;
  }
  std::printf("SIGKILL rounds: %d old playlist, %d new playlist (%d runs finished first), "
              "%d temporary files left behind; undisturbed run %.2f s\n",
              kept, replaced, finished, leftovers, clean.seconds);
}

}  // namespace
}  // namespace trackmend_faults
