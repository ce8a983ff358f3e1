#include "tests/reference/reference.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>

namespace kw::reference {
namespace {

std::string lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool isWordChar(unsigned char c) { return c >= 0x80 || std::isalnum(c); }

std::size_t countWordChars(const std::string& s) {
  std::size_t count = 0;
  for (unsigned char c : s) count += isWordChar(c) ? 1 : 0;
  return count;
}

// A C string view of `s`: the text up to its first zero byte.
std::string cString(const std::string& s) { return std::string(s.c_str()); }

// The documented duration: the number atoi reads right after the colon of a
// line whose first colon is its eighth byte and that has a comma after it;
// 0, meaning none, for any other line or none.
long long duration(const PlaylistEntry& entry) {
  if (!entry.extInfo) return 0;
  const std::string& line = *entry.extInfo;
  const bool tagged = line.size() > 7 && line[7] == ':' && line.substr(0, 7).find(':') == std::string::npos;
  if (!tagged || line.find(',', 8) == std::string::npos) return 0;
  return std::atoi(line.c_str() + 8);
}

// The documented rule: durations that are unknown (0) or 36,000 s or more
// apart do not keep a pair apart; known ones must be at most
// `maxTimeDiff` apart.
bool durationsLetPairMeet(long long a, long long b, int maxTimeDiff) {
  if (a == 0 || b == 0) return true;
  const long long apart = a > b ? a - b : b - a;
  return apart >= 36000 || apart <= maxTimeDiff;
}

std::size_t nameStart(const std::string& lowered) {
  const std::size_t sep = lowered.find_last_of("\\/");
  return sep == std::string::npos ? 0 : sep + 1;
}

}  // namespace

unsigned long long similaritySum(const std::string& a, const std::string& b) {
  unsigned long long sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::size_t best = 0;
    for (std::size_t j = 0; j < b.size(); ++j) {
      std::size_t run = 0;
      while (i + run < a.size() && j + run < b.size() && a[i + run] == b[j + run]) ++run;
      if (run > best) best = run;
    }
    sum += best;
  }
  return sum;
}

double pathSimilarity(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return 0.0;
  return static_cast<double>(similaritySum(a, b)) /
         (static_cast<double>(a.size()) * static_cast<double>(b.size()));
}

double matchValue(const PlaylistEntry& entry, const PlaylistEntry& candidate) {
  double value = pathSimilarity(lower(entry.path), lower(candidate.path));
  if (entry.extInfo && candidate.extInfo)
    value += pathSimilarity(lower(*entry.extInfo), lower(*candidate.extInfo));
  return value;
}

double nameMatch(const std::string& searchText, const std::string& other) {
  std::string t = cString(searchText);
  std::string o = cString(other);
  const std::size_t words = countWordChars(t) + countWordChars(o);
  std::size_t total = 0;
  for (;;) {
    std::size_t bestScore = 0, bestI = 0, bestP = 0, bestLength = 0;
    for (std::size_t i = 0; i < o.size(); ++i) {
      for (std::size_t p = 0; p < t.size(); ++p) {
        if (t[p] == '\0' || t[p] != o[i]) continue;
        std::size_t length = 0, score = 0;
        while (p + length < t.size() && i + length < o.size() && t[p + length] != '\0' &&
               t[p + length] == o[i + length]) {
          score += isWordChar(static_cast<unsigned char>(o[i + length])) ? 1 : 0;
          ++length;
        }
        if (score > bestScore) {
          bestScore = score;
          bestI = i;
          bestP = p;
          bestLength = length;
        }
      }
    }
    if (bestScore < 3) break;
    total += 2 * bestScore;
    for (std::size_t k = 0; k < bestLength; ++k) t[bestP + k] = '\0';
    o.erase(bestI, bestLength);
  }
  if (words == 0) return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(total) / static_cast<double>(words);
}

std::vector<std::pair<double, PlaylistEntry>> collectCandidates(const PlayList& validList,
                                                                const PlaylistEntry& entry,
                                                                std::size_t limit) {
  // Ascending by value, equal values in insertion order.
  std::vector<std::pair<double, PlaylistEntry>> set;
  for (const PlaylistEntry& e : validList.entries) {
    const double v = matchValue(entry, e);
    if (set.size() < limit || (!set.empty() && v > set.front().first)) {
      std::size_t at = 0;
      while (at < set.size() && !(v < set[at].first)) ++at;
      set.insert(set.begin() + static_cast<std::ptrdiff_t>(at), {v, e});
      if (set.size() > limit) {
        const double smallest = set.front().first;
        while (!set.empty() && set.front().first == smallest) set.erase(set.begin());
      }
    }
  }
  return {set.rbegin(), set.rend()};
}

void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing) {
  bool firstGroup = true;
  const auto& entries = validList.entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string pathI = lower(entries[i].path);
    const std::size_t start = nameStart(pathI);
    const std::size_t dot = pathI.rfind('.');
    const std::string nameI = (dot != std::string::npos && dot > start)
                                  ? pathI.substr(start, dot - start)
                                  : pathI.substr(start);
    bool headPrinted = false;
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      if (!durationsLetPairMeet(duration(entries[i]), duration(entries[j]), maxTimeDiff)) continue;
      const std::string pathJ = lower(entries[j].path);
      const std::string nameJ = pathJ.substr(nameStart(pathJ));
      const double value = nameMatch(nameI, nameJ);
      if (std::isnan(value) || value < minNameMatch) continue;
      if (!headPrinted) {
        if (!firstGroup) {
          output.entries.emplace_back("-----------");
          listing << "--------------\n";
        }
        firstGroup = false;
        output.entries.push_back(entries[i]);
        listing << pathI << "\n";
        headPrinted = true;
      }
      output.entries.push_back(entries[j]);
      listing << value << " " << pathJ << "\n";
    }
  }
}

}  // namespace kw::reference
