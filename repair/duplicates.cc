#include "repair/duplicates.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/parallel.h"
#include "playlist/path_forms.h"

#include "repair/candidates.h"
#include "repair/entry_paths.h"
#include "repair/name_match.h"
#include "repair/similarity.h"

namespace kw {
namespace {

// Word characters counted in 64 buckets (digits, letters of either case,
// bytes from 0x80 on folded together). Two names can match at most
// sum over buckets of min(count, count) word characters, because every
// matched word character of one name is paired with an equal byte of the
// other and used once.
using Histogram = std::array<std::uint8_t, 64>;

int bucketOf(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return 10 + (c - 'a');
  if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
  return 36 + c % 28;  // c >= 0x80
}

struct NameShape {
  Histogram histogram{};
  std::uint32_t words = 0;
  bool bounded = true;  // false when a bucket count would not fit a byte

  explicit NameShape(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    for (unsigned char c : name) {
      if (!isWordChar(c)) continue;
      ++words;
      std::uint8_t& slot = histogram[bucketOf(c)];
      if (slot == 255)
        bounded = false;
      else
        ++slot;
    }
  }
};

unsigned sharedWordChars(const Histogram& x, const Histogram& y) {
  unsigned shared = 0;
  for (std::size_t k = 0; k < x.size(); ++k) shared += std::min(x[k], y[k]);
  return shared;
}

// The duration of an "#EXTINF:<seconds>,..." line; 0 (no duration) for any
// other line and for none.
int durationOf(const PlaylistEntry& entry) {
  if (!entry.extInfo) return 0;
  const std::string& line = *entry.extInfo;
  const std::size_t colon = line.find(':');
  if (colon != 7 || line.find(',', colon) == std::string::npos) return 0;
  return static_cast<int>(std::strtol(line.c_str() + colon + 1, nullptr, 10));
}

// Everything the pairwise walk needs of one song, prepared once.
struct Song {
  std::string loweredPath;
  std::size_t nameStart;  // after the last '\\' or '/'
  std::size_t outerEnd;   // before the extension, when it has one
  int duration;
  NameShape outer;

  explicit Song(const PlaylistEntry& entry)
      : loweredPath(lowerCased(entry.path)),
        nameStart(startOfName(loweredPath)),
        outerEnd(endOfOuterName(loweredPath, nameStart)),
        duration(durationOf(entry)),
        outer(outerName()) {}

  std::string_view outerName() const {
    return std::string_view(loweredPath).substr(nameStart, outerEnd - nameStart);
  }
  std::string_view innerName() const { return std::string_view(loweredPath).substr(nameStart); }

  static std::size_t startOfName(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? 0 : separator + 1;
  }
  static std::size_t endOfOuterName(const std::string& path, std::size_t start) {
    const std::size_t dot = path.rfind('.');
    return (dot != std::string::npos && dot > start) ? dot : path.size();
  }
};

// Whether a song with `outer` as its outer name might reach `minNameMatch`
// against one with `inner` as its inner name: false only when the shared
// word characters prove that it cannot (NaN included).
bool mightMatch(const NameShape& outer, const NameShape& inner, double minNameMatch) {
  const std::uint32_t words = outer.words + inner.words;
  if (words == 0) return false;  // the match is NaN
  if (!outer.bounded || !inner.bounded) return true;
  const unsigned shared = sharedWordChars(outer.histogram, inner.histogram);
  const double bound = static_cast<double>(2 * shared) / static_cast<double>(words);
  return !(bound < minNameMatch);
}

// A later song with its inner-name shape, stored where the walk reads it.
struct Later {
  std::uint32_t index;
  NameShape inner;
};

// The songs each song is compared with, found by duration instead of by
// trying every pair: a song without a duration meets every later song; one
// with a duration meets the later songs without one, those at most
// maxTimeDiff seconds apart, and those at least 36,000 s apart (which count
// as having no duration). The shapes are stored in the order they are read,
// so a window of close durations is one sequential stretch of memory.
class DurationIndex {
 public:
  explicit DurationIndex(const std::vector<Song>& songs) : songs_(songs) {
    std::vector<std::uint32_t> byDuration;
    for (std::uint32_t k = 0; k < songs.size(); ++k) {
      listed_.push_back({k, NameShape(songs[k].innerName())});
      if (songs[k].duration == 0)
        zeros_.push_back(listed_.back());
      else
        byDuration.push_back(k);
    }
    std::stable_sort(byDuration.begin(), byDuration.end(), [&](std::uint32_t a, std::uint32_t b) {
      return songs[a].duration < songs[b].duration;
    });
    for (std::uint32_t k : byDuration) {
      durations_.push_back(songs[k].duration);
      sorted_.push_back(listed_[k]);
    }
  }

  // Calls visit(later) for every later song that song `i` is compared with,
  // each once, in no particular order.
  template <class Visit>
  void forEachComparable(std::size_t i, int maxTimeDiff, Visit visit) const {
    const long long d = songs_[i].duration;
    if (d == 0) return visitAfter(listed_.begin() + static_cast<std::ptrdiff_t>(i) + 1, listed_.end(), i, visit);
    const auto firstZero = std::upper_bound(zeros_.begin(), zeros_.end(), i,
                                            [](std::size_t k, const Later& z) { return k < z.index; });
    visitAfter(firstZero, zeros_.end(), i, visit);
    constexpr long long kUnknownApart = 36000;
    if (maxTimeDiff >= kUnknownApart - 1) return visitDurations(LLONG_MIN, LLONG_MAX, i, visit);
    if (maxTimeDiff >= 0) visitDurations(d - maxTimeDiff, d + maxTimeDiff, i, visit);
    visitDurations(LLONG_MIN, d - kUnknownApart, i, visit);
    visitDurations(d + kUnknownApart, LLONG_MAX, i, visit);
  }

 private:
  template <class Iterator, class Visit>
  static void visitAfter(Iterator from, Iterator to, std::size_t i, Visit& visit) {
    for (; from != to; ++from)
      if (from->index > i) visit(*from);
  }

  // The songs after `i` whose duration lies in [low, high].
  template <class Visit>
  void visitDurations(long long low, long long high, std::size_t i, Visit& visit) const {
    if (low > high) return;
    const auto begin = std::lower_bound(durations_.begin(), durations_.end(), low);
    const auto end = std::upper_bound(begin, durations_.end(), high);
    visitAfter(sorted_.begin() + (begin - durations_.begin()),
               sorted_.begin() + (end - durations_.begin()), i, visit);
  }

  const std::vector<Song>& songs_;
  std::vector<Later> listed_;  // every song, in list order
  std::vector<Later> zeros_;   // the songs without a duration, in list order
  std::vector<long long> durations_;  // of the others, ascending
  std::vector<Later> sorted_;  // the others in that order (ties in list order)
};

struct Match {
  std::uint32_t index;
  double value;
};

// The later look-alikes of song `i`, in list order.
std::vector<Match> lookAlikes(const std::vector<Song>& songs, const DurationIndex& index,
                              std::size_t i, double minNameMatch, int maxTimeDiff) {
  const Song& outer = songs[i];
  std::optional<QuickSearchString> name;
  std::vector<Match> matches;
  index.forEachComparable(i, maxTimeDiff, [&](const Later& later) {
    if (!mightMatch(outer.outer, later.inner, minNameMatch)) return;
    if (!name) name.emplace(std::string(outer.outerName()));
    const double value = nameMatch(*name, songs[later.index].innerName());
    if (!std::isnan(value) && !(value < minNameMatch)) matches.push_back({later.index, value});
  });
  std::sort(matches.begin(), matches.end(),
            [](const Match& a, const Match& b) { return a.index < b.index; });
  return matches;
}

// The look-alikes of every song, the songs shared out over the threads in
// small blocks taken in turn; each song's result lands in its own slot.
std::vector<std::vector<Match>> allLookAlikes(const std::vector<Song>& songs, double minNameMatch,
                                              int maxTimeDiff, unsigned threads) {
  const DurationIndex index(songs);
  std::vector<std::vector<Match>> result(songs.size());
  constexpr std::size_t kBlock = 64;
  std::atomic<std::size_t> next{0};
  sys_dep::runInParallel(threads, [&](unsigned) {
    for (std::size_t start; (start = next.fetch_add(kBlock)) < songs.size();)
      for (std::size_t i = start; i < std::min(songs.size(), start + kBlock); ++i)
        result[i] = lookAlikes(songs, index, i, minNameMatch, maxTimeDiff);
  });
  return result;
}

// Copies songs of the validList into the output, whose folder may be
// another: a relative path is rewritten to name the same file from there.
class GroupOutput {
 public:
  GroupOutput(const PlayList& validList, PlayList& output) : validList_(validList), output_(output) {}

  void add(std::size_t k) {
    PlaylistEntry& copy = output_.entries.emplace_back(validList_.entries[k]);
    if (!isRelativePath(copy.path)) return;
    if (!paths_) {
      paths_.emplace(writtenFolderOfFile(validList_.fileName), false);
      outputFolder_ = writtenFolderOfFile(output_.fileName);
    }
    copy.path = paths_->movedTo(copy.path, outputFolder_);
  }

 private:
  const PlayList& validList_;
  PlayList& output_;
  std::optional<EntryPaths> paths_;  // told at the first relative path
  std::string outputFolder_;
};

}  // namespace

void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing, unsigned threads) {
  std::vector<Song> songs;
  songs.reserve(validList.entries.size());
  for (const PlaylistEntry& entry : validList.entries) songs.emplace_back(entry);
  const std::vector<std::vector<Match>> found = allLookAlikes(
      songs, minNameMatch, maxTimeDiff, threads == 0 ? sys_dep::hardwareThreads() : threads);

  GroupOutput out{validList, output};
  bool firstGroup = true;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    if (found[i].empty()) continue;
    if (!firstGroup) {
      output.entries.emplace_back("-----------");
      listing << "--------------\n";
    }
    firstGroup = false;
    out.add(i);
    listing << err::shown(songs[i].loweredPath) << "\n";
    for (const Match& match : found[i]) {
      out.add(match.index);
      listing << formatValue(match.value) << " " << err::shown(songs[match.index].loweredPath) << "\n";
    }
  }
}

}  // namespace kw
