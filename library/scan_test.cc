#include "library/scan.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "library/audio_names.h"
#include "playlist/reader.h"
#include "library/scan_test_support.h"
#include "tests/support/audio_files.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

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

// Names outside every ANSI code page arrive whole, joined by the system's
// separator, and the scan saved as M3U or PLS reads back equal (on Windows
// the names are wide on disk and UTF-8 in the playlist).
TEST(ScanFolder, UnicodeNamesScannedAndSavedWhole) {
  MusicFolder music;
  music.song("Bj\xC3\xB6rk/\xE6\x97\xA5\xE6\x9C\xAC/01 \xC3\x84rger.mp3", {"\xC3\x84rger", "Bj\xC3\xB6rk", 100, 0});
  music.song("x/1 Comma, title.mp3", {"Comma, title", "A, B", 245, 0});
  const Scan scanned = scan(music.root());
  std::string song = sys_dep::resolvedAsKernel(sys_dep::absolutePath(music.root()));
  for (const char* part : {"Bj\xC3\xB6rk", "\xE6\x97\xA5\xE6\x9C\xAC", "01 \xC3\x84rger.mp3"})
    song = sys_dep::joinedPath(song, part);
  ASSERT_EQ(lines(scanned.list).size(), 2u);
  EXPECT_EQ(lines(scanned.list)[0], song + "|#EXTINF:100,Bj\xC3\xB6rk - \xC3\x84rger");
  expectSavedScanReadsBack(scanned.list, music.root());
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
