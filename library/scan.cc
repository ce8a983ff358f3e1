#include "library/scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/parallel.h"
#include "Lib/kw/sys_dep/path.h"
#include "library/folder_walk.h"
#include "library/song_tags.h"
#include "playlist/reader.h"

namespace kw {
namespace {

// The running count on a terminal: redrawn in place at most ten times a
// second, erased at the end. Used from one thread only.
class LiveCount {
 public:
  explicit LiveCount(std::ostream* out) : out_(out) {}
  ~LiveCount() { erase(); }

  bool shown() const { return out_ != nullptr; }

  void show(const std::string& text, bool now = false) {
    if (!out_) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time < next_) return;
    next_ = time + std::chrono::milliseconds(100);
    *out_ << '\r' << text;
    if (text.size() < shown_) *out_ << std::string(shown_ - text.size(), ' ') << '\r' << text;
    *out_ << std::flush;
    shown_ = text.size();
  }

  void erase() {
    if (!out_ || shown_ == 0) return;
    *out_ << '\r' << std::string(shown_, ' ') << '\r' << std::flush;
    shown_ = 0;
  }

 private:
  std::ostream* out_;
  std::size_t shown_ = 0;
  std::chrono::steady_clock::time_point next_{};
};

// Reads every song on `threads` threads, each result into the slot of its
// song, so the result is the same on any number of threads.
std::vector<SongRead> readSongs(const std::vector<std::string>& paths, unsigned threads, LiveCount& live) {
  std::vector<SongRead> reads(paths.size());
  std::atomic<std::size_t> next{0}, done{0};
  const std::string total = std::to_string(paths.size());
  sys_dep::runInParallel(threads == 0 ? sys_dep::hardwareThreads() : threads, [&](unsigned thread) {
    for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < paths.size();) {
      reads[k] = readSong(paths[k]);
      const std::size_t count = done.fetch_add(1, std::memory_order_relaxed) + 1;
      if (thread == 0 && live.shown()) live.show("Reading tags: " + std::to_string(count) + " of " + total + " songs");
    }
  });
  return reads;
}

// Throws kw::err::IOError(`name`) when the folder cannot be listed, so that
// nothing is printed for a scan that cannot start.
void checkListable(const std::string& name) {
  DIR* dir = ::opendir(name.c_str());
  if (!dir) throw err::IOError(name);
  ::closedir(dir);
}

}  // namespace

void scanFolder(PlayList& list, std::ostream& progress, std::ostream& warnings, const ScanSettings& settings) {
  checkListable(list.fileName);
  progress << "Scanning folder '" << list.fileName << "'\n" << std::flush;
  LiveCount live(settings.liveCount);
  const auto songFound = [&](std::size_t found) { live.show("Scanning: " + std::to_string(found) + " songs found"); };
  FolderWalk walk = walkFolder(sys_dep::toFullPath(list.fileName), list.fileName,
                               live.shown() ? songFound : std::function<void(std::size_t)>());
  std::sort(walk.songs.begin(), walk.songs.end());
  const std::vector<SongRead> reads = readSongs(walk.songs, settings.threads, live);
  live.erase();
  for (const std::string& line : walk.skipped) warnings << line;
  std::size_t found = 0;
  for (std::size_t k = 0; k < walk.songs.size(); ++k) {
    if (!reads[k].opened) {
      warnings << "Skipped '" << walk.songs[k] << "': " << reads[k].failure << "\n";
      continue;
    }
    list.entries.emplace_back(walk.songs[k], reads[k].infoLine);
    ++found;
  }
  warnings.flush();
  progress << "Found " << found << " songs.\n" << std::flush;
}

bool isFolder(const std::string& name) {
  struct stat info;
  return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void readSongList(SongList& songs, std::ostream& progress, std::ostream& warnings, const ScanSettings& settings) {
  if (!isFolder(songs.fileName())) return readSongs(songs, progress, warnings);
  PlayList list(songs.fileName());
  scanFolder(list, progress, warnings, settings);
  for (const PlaylistEntry& e : list.entries)
    songs.add(e.path, e.extInfo ? std::optional<std::string_view>(*e.extInfo) : std::nullopt);
}

void readSongList(PlayList& list, std::ostream& progress, std::ostream& warnings, const ScanSettings& settings) {
  if (isFolder(list.fileName)) {
    scanFolder(list, progress, warnings, settings);
  } else {
    readPlaylist(list, progress, warnings);
  }
}

}  // namespace kw
