#include "repair/duplicates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "repair/candidates.h"
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

bool durationsComparable(long long di, long long dj, int maxTimeDiff) {
  if (di == 0 || dj == 0) return true;
  const long long diff = std::llabs(di - dj);
  return diff <= maxTimeDiff || diff > 35999;
}

// Everything the pairwise walk needs of one song, prepared once.
struct Song {
  std::string loweredPath;
  std::size_t nameStart;  // after the last '\' or '/'
  std::size_t outerEnd;   // before the extension, when it has one
  int duration;
  NameShape outer, inner;

  explicit Song(const PlaylistEntry& entry)
      : loweredPath(lowerCased(entry.path)),
        nameStart(startOfName(loweredPath)),
        outerEnd(endOfOuterName(loweredPath, nameStart)),
        duration(durationOf(entry)),
        outer(outerName()),
        inner(innerName()) {}

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

// Whether `outer` and `inner` might reach `minNameMatch`: false only when
// the shared word characters prove that they cannot (NaN included).
bool mightMatch(const Song& outer, const Song& inner, double minNameMatch) {
  const std::uint32_t words = outer.outer.words + inner.inner.words;
  if (words == 0) return false;  // the match is NaN
  if (!outer.outer.bounded || !inner.inner.bounded) return true;
  const unsigned shared = sharedWordChars(outer.outer.histogram, inner.inner.histogram);
  const double bound = static_cast<double>(2 * shared) / static_cast<double>(words);
  return !(bound < minNameMatch);
}

}  // namespace

void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing) {
  std::vector<Song> songs;
  songs.reserve(validList.entries.size());
  for (const PlaylistEntry& entry : validList.entries) songs.emplace_back(entry);

  bool firstGroup = true;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    const Song& outer = songs[i];
    const QuickSearchString name{std::string(outer.outerName())};
    bool headPrinted = false;
    for (std::size_t j = i + 1; j < songs.size(); ++j) {
      const Song& inner = songs[j];
      if (!durationsComparable(outer.duration, inner.duration, maxTimeDiff)) continue;
      if (!mightMatch(outer, inner, minNameMatch)) continue;
      const double value = nameMatch(name, inner.innerName());
      if (std::isnan(value) || value < minNameMatch) continue;
      if (!headPrinted) {
        if (!firstGroup) {
          output.entries.emplace_back("-----------");
          listing << "--------------\n";
        }
        firstGroup = false;
        output.entries.push_back(validList.entries[i]);
        listing << outer.loweredPath << "\n";
        headPrinted = true;
      }
      output.entries.push_back(validList.entries[j]);
      listing << formatValue(value) << " " << inner.loweredPath << "\n";
    }
  }
}

}  // namespace kw
