// The folder scan on POSIX: names in byte order whatever their case and
// bytes, symbolic links and loops, permission bits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Lib/kw/sys_dep/path.h"
#include "library/scan.h"
#include "library/scan_test_support.h"

namespace kw {
namespace {

// Byte order of paths, tags to information lines, names starting with '.'
// kept but folders that hold no music and "._" companions left out silently,
// other files left out, names that are not UTF-8 kept; the same on 1 and 3
// threads.
TEST(ScanFolder, EntriesSortedByPathBytesWithTheirTags) {
  MusicFolder music;
  music.song("b/x.mp3", {"X", "B", 100, 0});
  music.song("a/2.flac", {"Two", "", 200, 0});
  music.song("a/10.mp3", {"", "Artist only", 10, 0});
  music.song("A/z.wav", {"Z", "", 1, 0});
  music.song("a b/y.ogg", {"Y\r\nline", "A B", 50, 0});
  music.song("a-b.MP3", {"AB", "", 60, 0});
  music.song("name\xff.opus", {"Latin", "", 70, 0});
  music.file("bad.mp3", "not audio at all");
  music.song(".38 Special/h.mp3");
  music.song("...And/h.mp3");
  music.song("._h.mp3");
  for (const char* noMusic : {".Trash-1000", ".git", "@eaDir", "#recycle", "$RECYCLE.BIN", "lost+found",
                              ".appledouble", "System Volume Information", ".stfolder"})
    music.song(std::string(noMusic) + "/x.mp3");
  music.file("notes.txt", "x");
  music.file("cover.jpg", "x");
  ASSERT_EQ(::mkdir(music.path("empty").c_str(), 0755), 0);
  const std::string given = music.root() + "/./..//music/";
  const Scan one = scan(given, 1);
  const std::string r = music.root();
  EXPECT_EQ(lines(one.list), (std::vector<std::string>{
                                 r + "/...And/h.mp3|#EXTINF:100,Artist - Title",
                                 r + "/.38 Special/h.mp3|#EXTINF:100,Artist - Title",
                                 r + "/A/z.wav|#EXTINF:1,Z",
                                 r + "/a b/y.ogg|#EXTINF:50,A B - Y  line",
                                 r + "/a-b.MP3|#EXTINF:60,AB",
                                 r + "/a/10.mp3|",
                                 r + "/a/2.flac|#EXTINF:200,Two",
                                 r + "/b/x.mp3|#EXTINF:100,B - X",
                                 r + "/bad.mp3|",
                                 r + "/name\xff.opus|#EXTINF:70,Latin",
                             }));
  EXPECT_EQ(one.progress, "Scanning folder '" + given + "'\nFound 10 songs.\n");
  EXPECT_EQ(one.warnings, "");
  EXPECT_EQ(lines(scan(given, 3).list), lines(one.list));
}

// Every real folder once, under the first path that reaches it; a link
// loop ends; links to files are songs; a dangling link is reported.
TEST(ScanFolder, LinksFollowedEachFolderOnce) {
  MusicFolder music;
  music.song("a/s.mp3", {"S", "", 1, 0});
  music.song("z/t.mp3", {"T", "", 2, 0});
  music.link("a/loop", "..");
  music.link("b", "a");
  music.link("0link", "z");
  music.link("c.mp3", "a/s.mp3");
  music.link("dangling.mp3", "nowhere.mp3");
  const Scan result = scan(music.root());
  const std::string r = music.root();
  EXPECT_EQ(lines(result.list), (std::vector<std::string>{r + "/0link/t.mp3|#EXTINF:2,T", r + "/a/s.mp3|#EXTINF:1,S",
                                                          r + "/c.mp3|#EXTINF:1,S"}));
  EXPECT_EQ(result.warnings, "Skipped '" + r + "/a/loop': already scanned as '" + r + "'\n" +
                                 "Skipped '" + r + "/b': already scanned as '" + r + "/a'\n" +
                                 "Skipped '" + r + "/dangling.mp3': No such file or directory\n" +
                                 "Skipped '" + r + "/z': already scanned as '" + r + "/0link'\n");
  // A ".." after a link leads where the kernel leads ("a/loop" is the root
  // itself), not where the text does ("a/music/z").
  EXPECT_EQ(lines(scan(r + "/a/loop/../music/z").list),
            std::vector<std::string>{sys_dep::realPath(r).value_or("") + "/z/t.mp3|#EXTINF:2,T"});
}

// Runs the scan as an unprivileged user (when we are root, for whom no
// permission bits count) in a child process; gives its lines and warnings.
std::string scanAsUser(const std::string& root) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    std::string text;
    try {
      const Scan result = scan(root);
      for (const std::string& line : lines(result.list)) text += line + "\n";
      text += result.warnings;
    } catch (const std::exception& e) {
      text = e.what();
    }
    const ssize_t written = ::write(pipeEnds[1], text.data(), text.size());
    ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 4);
  }
  ::close(pipeEnds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return text;
}

TEST(ScanFolder, UnreadableFolderAndFileSkipped) {
  MusicFolder music;
  music.song("open/o.mp3", {"O", "", 3, 0});
  music.song("shut/h.mp3");
  music.song("locked.mp3");
  ::chmod(music.path("shut").c_str(), 0);
  ::chmod(music.path("locked.mp3").c_str(), 0);
  // The scratch folders are private to their owner; the user must get in.
  ::chmod(music.root().substr(0, music.root().rfind('/')).c_str(), 0755);
  const std::string r = music.root();
  EXPECT_EQ(scanAsUser(r), r + "/open/o.mp3|#EXTINF:3,O\n" + "Skipped '" + r + "/shut': Permission denied\n" +
                               "Skipped '" + r + "/locked.mp3': Permission denied\n");
  ::chmod(music.path("shut").c_str(), 0755);
}

// A scan saved as M3U or PLS reads back as the same playlist.
TEST(ScanFolder, SavedScanReadsBackEqual) {
  MusicFolder music;
  music.song("x/1 Comma, title.mp3", {"Comma, title", "A, B", 245, 0});
  music.song("x/2\xe9.flac", {"\t Tabs \x7f", "", 3, 0});
  music.song("x/3.wav");
  music.file("x/4.mp3", "");
  const Scan scanned = scan(music.root());
  ASSERT_EQ(scanned.list.entries.size(), 4u);
  expectSavedScanReadsBack(scanned.list, music.root());
}

}  // namespace
}  // namespace kw
