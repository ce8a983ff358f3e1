#include "library/scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path.h"
#include "library/audio_names.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "tests/support/audio_files.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

using trackmend_test::AudioSpec;
using trackmend_test::ScratchDir;

// A music folder made of real tagged files, and the scan of it.
class MusicFolder {
 public:
  MusicFolder() : root_(dir_.file("music")) { ::mkdir(root_.c_str(), 0755); }
  const std::string& root() const { return root_; }
  std::string path(const std::string& below) const { return root_ + "/" + below; }

  void song(const std::string& below, const AudioSpec& spec = {"Title", "Artist", 100, 0}) {
    makeFolders(below);
    trackmend_test::writeAudioFile(path(below), spec);
  }
  void file(const std::string& below, const std::string& bytes) {
    makeFolders(below);
    trackmend_test::writeFile(path(below), bytes);
  }
  void link(const std::string& below, const std::string& target) {
    makeFolders(below);
    ASSERT_EQ(::symlink(target.c_str(), path(below).c_str()), 0) << below;
  }

 private:
  void makeFolders(const std::string& below) {
    for (std::size_t slash = below.find('/'); slash != std::string::npos; slash = below.find('/', slash + 1))
      ::mkdir(path(below.substr(0, slash)).c_str(), 0755);
  }

  ScratchDir dir_;
  std::string root_;
};

struct Scan {
  PlayList list;
  std::string progress, warnings;
};

Scan scan(const std::string& name, unsigned threads = 2) {
  Scan result{PlayList(name), "", ""};
  std::ostringstream progress, warnings;
  ScanSettings settings;
  settings.threads = threads;
  scanFolder(result.list, progress, warnings, settings);
  result.progress = progress.str();
  result.warnings = warnings.str();
  return result;
}

// Each entry as "<path>|<information line>".
std::vector<std::string> lines(const PlayList& list) {
  std::vector<std::string> result;
  for (const PlaylistEntry& entry : list.entries) result.push_back(entry.path + "|" + (entry.extInfo ? *entry.extInfo : ""));
  return result;
}

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
  ::mkdir(music.path("empty").c_str(), 0755);
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
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
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

TEST(ScanFolder, EmptyFolderAndMissingFolder) {
  MusicFolder music;
  const Scan empty = scan(music.root());
  EXPECT_TRUE(empty.list.entries.empty());
  EXPECT_EQ(empty.progress, "Scanning folder '" + music.root() + "'\nFound 0 songs.\n");
  PlayList missing(music.path("gone"));
  std::ostringstream progress, warnings;
  EXPECT_THROW(readSongList(missing, progress, warnings), err::IOError);
  EXPECT_THROW(scanFolder(missing, progress, warnings), err::IOError);
  EXPECT_TRUE(missing.entries.empty());
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
  for (const char* name : {"/lib.m3u", "/lib.pls"}) {
    PlayList saved = scanned.list;
    saved.fileName = music.root() + name;
    saved.plsFormat = std::string(name) == "/lib.pls";
    std::ostringstream quiet;
    savePlaylist(saved, quiet);
    PlayList read(saved.fileName);
    readSongList(read, quiet, quiet);
    EXPECT_EQ(lines(read), lines(scanned.list)) << name;
  }
}

TEST(ScanFolder, LiveCountRedrawnInPlaceAndErased) {
  MusicFolder music;
  music.song("a.mp3");
  music.song("b.mp3");
  PlayList list(music.root());
  std::ostringstream progress, warnings, live;
  ScanSettings settings;
  settings.liveCount = &live;
  scanFolder(list, progress, warnings, settings);
  const std::string drawn = live.str();
  EXPECT_EQ(drawn.rfind("\rScanning: 1 songs found", 0), 0u) << drawn;
  EXPECT_EQ(drawn.find('\n'), std::string::npos);
  EXPECT_EQ(drawn.back(), '\r');
  EXPECT_EQ(drawn.substr(drawn.rfind('\r', drawn.size() - 2)).find_first_not_of(" \r"), std::string::npos);
  EXPECT_EQ(progress.str(), "Scanning folder '" + music.root() + "'\nFound 2 songs.\n");
}

}  // namespace
}  // namespace kw
