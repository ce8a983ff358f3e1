#include "library/scan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <functional>
#include <string_view>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/folder_listing.h"
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

// The songs the walk finds, handed to the tag readers as they come, so that
// the other threads read tags while the first one still walks. Each read
// lands in the slot of its song, whatever thread made it.
class SongQueue {
 public:
  void add(const std::string& path) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      paths_.push_back(path);
      reads_.emplace_back();
    }
    changed_.notify_one();
  }
  // No more songs will come. Must be called however the walk ends.
  void finish() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    changed_.notify_all();
  }
  // The next song to read and the slot for its read, waiting for the walk;
  // null when all are taken. The slot stays where it is while others are
  // added, so the reader fills it without the lock.
  SongRead* take(std::string& path) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return next_ < paths_.size() || finished_; });
    if (next_ == paths_.size()) return nullptr;
    path = paths_[next_];
    return &reads_[next_++];
  }
  void stored() { done_.fetch_add(1, std::memory_order_relaxed); }
  std::size_t done() const { return done_.load(std::memory_order_relaxed); }
  std::deque<SongRead>& reads() { return reads_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> paths_;
  std::deque<SongRead> reads_;  // deques: what a reader holds never moves
  std::size_t next_ = 0;
  std::atomic<std::size_t> done_{0};
  bool finished_ = false;
};

struct FinishQueue {
  SongQueue& queue;
  ~FinishQueue() { queue.finish(); }
};

// Reads tags until the queue is done, showing the count on `live` if set.
void readQueued(SongQueue& queue, std::size_t found, LiveCount* live) {
  std::string path;
  while (SongRead* slot = queue.take(path)) {
    *slot = readSong(path);
    queue.stored();
    if (live && live->shown())
      live->show("Reading tags: " + std::to_string(queue.done()) + " of " + std::to_string(found) + " songs");
  }
}

// Walks the folder on thread 0 while the other threads read the tags of the
// songs found so far; thread 0 reads too once the walk is done, and alone
// draws the count.
FolderWalk walkAndRead(const std::string& root, const std::string& shownName, unsigned threads,
                       LiveCount& live, SongQueue& queue) {
  FolderWalk walk;
  const auto found = [&](const std::string& path, std::size_t count) {
    queue.add(path);
    live.show("Scanning: " + std::to_string(count) + " songs found");
  };
  sys_dep::runInParallel(threads == 0 ? sys_dep::hardwareThreads() : threads, [&](unsigned thread) {
    if (thread != 0) return readQueued(queue, 0, nullptr);
    {
      const FinishQueue finish{queue};
      walk = walkFolder(root, shownName, found);
    }
    readQueued(queue, walk.songs.size(), &live);
  });
  return walk;
}

// The folder named `name`, made absolute and resolved as the kernel resolves
// it: "l/../music" with a link "l" is the folder that listing it shows.
std::string scanRoot(const std::string& name) { return sys_dep::resolvedAsKernel(sys_dep::absolutePath(name)); }

// Throws kw::err::IOError(`name`) when the folder cannot be listed, so that
// nothing is printed for a scan that cannot start.
void checkListable(const std::string& name) {
  if (!sys_dep::listFolder(name)) throw err::IOError(name);
}

}  // namespace

void scanFolder(PlayList& list, std::ostream& progress, std::ostream& warnings, const ScanSettings& settings) {
  checkListable(list.fileName);
  progress << "Scanning folder '" << err::shown(list.fileName) << "'\n" << std::flush;
  LiveCount live(settings.liveCount);
  SongQueue queue;
  const FolderWalk walk = walkAndRead(scanRoot(list.fileName), list.fileName, settings.threads, live, queue);
  live.erase();
  // The songs in the order of their paths' bytes, each with its read.
  std::vector<std::size_t> order(walk.songs.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return walk.songs[a] < walk.songs[b]; });
  // A line is a path and a reason; its own line feed is the layout's.
  for (const std::string& line : walk.skipped)
    warnings << err::shown(std::string_view(line).substr(0, line.size() - 1)) << '\n';
  std::size_t found = 0;
  for (const std::size_t k : order) {
    const SongRead& read = queue.reads()[k];  // every thread is joined
    if (!read.opened) {
      warnings << "Skipped '" << err::shown(walk.songs[k]) << "': " << read.failure << "\n";
      continue;
    }
    if (read.tagsUnreadable) warnings << "Skipped tags of '" << err::shown(walk.songs[k]) << "': unreadable tags\n";
    list.entries.emplace_back(walk.songs[k], read.infoLine);
    ++found;
  }
  warnings.flush();
  progress << "Found " << found << " songs.\n" << std::flush;
}

bool isFolder(const std::string& name) {
  const std::optional<sys_dep::FileStatus> status = sys_dep::lookUpFile(name, true);
  return status && status->type == sys_dep::FileType::kDirectory;
}

void readSongList(SongList& songs, std::ostream& progress, std::ostream& warnings, const ScanSettings& settings) {
  if (!isFolder(songs.fileName())) return readSongs(songs, progress, warnings);
  PlayList list(songs.fileName());
  scanFolder(list, progress, warnings, settings);
  for (const PlaylistEntry& e : list.entries) songs.add(e);
}

void readSongList(PlayList& list, std::ostream& progress, std::ostream& warnings, const ScanSettings& settings) {
  if (isFolder(list.fileName)) {
    scanFolder(list, progress, warnings, settings);
  } else {
    readPlaylist(list, progress, warnings);
  }
}

}  // namespace kw
