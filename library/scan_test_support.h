// What the tests of the folder scan share: a music folder of real tagged
// files made on the spot, and its scan.
#ifndef LIBRARY_SCAN_TEST_SUPPORT_H_
#define LIBRARY_SCAN_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "library/scan.h"
#include "playlist/playlist.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "tests/support/audio_files.h"
#include "tests/support/test_support.h"

namespace kw {

using trackmend_test::AudioSpec;
using trackmend_test::ScratchDir;

// A music folder made of real tagged files, and the scan of it.
class MusicFolder {
 public:
  MusicFolder() : root_(dir_.file("music")) { std::filesystem::create_directory(trackmend_test::nativePath(root_)); }
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
    std::filesystem::create_symlink(trackmend_test::nativePath(target), trackmend_test::nativePath(path(below)));
  }

 private:
  void makeFolders(const std::string& below) {
    for (std::size_t slash = below.find('/'); slash != std::string::npos; slash = below.find('/', slash + 1))
      std::filesystem::create_directory(trackmend_test::nativePath(path(below.substr(0, slash))));
  }

  ScratchDir dir_;
  std::string root_;
};

struct Scan {
  PlayList list;
  std::string progress, warnings;
};

inline Scan scan(const std::string& name, unsigned threads = 2) {
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
inline std::vector<std::string> lines(const PlayList& list) {
  std::vector<std::string> result;
  for (const PlaylistEntry& entry : list.entries)
    result.push_back(entry.path + "|" + (entry.extInfo ? *entry.extInfo : ""));
  return result;
}

// Saves `scanned` as "lib.m3u" and as "lib.pls" in `folder`, reads each
// back and expects the entries it was saved with.
inline void expectSavedScanReadsBack(const PlayList& scanned, const std::string& folder) {
  for (const char* name : {"/lib.m3u", "/lib.pls"}) {
    PlayList saved = scanned;
    saved.fileName = folder + name;
    saved.plsFormat = std::string(name) == "/lib.pls";
    std::ostringstream quiet;
    savePlaylist(saved, quiet);
    PlayList read(saved.fileName);
    readSongList(read, quiet, quiet);
    EXPECT_EQ(lines(read), lines(scanned)) << name;
  }
}

}  // namespace kw

#endif  // LIBRARY_SCAN_TEST_SUPPORT_H_
