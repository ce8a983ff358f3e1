#include "repair/name_match.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace kw {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The last separator before `end` (exclusive), or npos.
std::size_t lastSeparatorBefore(std::string_view s, std::size_t end) {
  while (end > 0) {
    --end;
    if (isSeparator(s[end])) return end;
  }
  return std::string_view::npos;
}

bool equalIgnoringCase(std::string_view x, std::string_view y) {
  if (x.size() != y.size()) return false;
  for (std::size_t k = 0; k < x.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(x[k])) !=
        std::tolower(static_cast<unsigned char>(y[k])))
      return false;
  return true;
}

// A buffer that is replaced by one 50 bytes longer than the text whenever
// the text (with its terminating zero) would not fit.
class WorkBuffer {
 public:
  char* holdCopy(std::string_view text) {
    if (text.size() >= capacity_) {
      capacity_ = text.size() + 50;
      bytes_ = std::make_unique<char[]>(capacity_);
    }
    std::memcpy(bytes_.get(), text.data(), text.size());
    bytes_[text.size()] = '\0';
    return bytes_.get();
  }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t capacity_ = 0;
};

std::string_view upToZero(std::string_view s) { return s.substr(0, s.find('\0')); }

std::size_t countWordChars(std::string_view s) {
  std::size_t count = 0;
  for (unsigned char c : s) count += isWordChar(c) ? 1 : 0;
  return count;
}

struct Run {
  std::size_t score = 0, otherPos = 0, textPos = 0, length = 0;
};

// The common run of t from p and o from i, bounded by the zero bytes that
// end both buffers and mark consumed bytes of t.
void measureRun(const char* t, const char* o, std::size_t p, std::size_t i, Run& best) {
  std::size_t length = 0, score = 0;
  while (t[p + length] != '\0' && t[p + length] == o[i + length]) {
    score += isWordChar(static_cast<unsigned char>(o[i + length])) ? 1 : 0;
    ++length;
  }
  if (score > best.score) best = {score, i, p, length};
}

// Beyond this many pairs of positions a pass sweeps over all pairs without
// branches, which beats visiting the equal pairs one by one.
constexpr std::size_t kMeasuredPairsLimit = std::size_t{1} << 16;

// The best run by dynamic programming: score(i, p) is 0 unless t[p] equals
// o[i] (never at a consumed, zero byte of t), and then the word-character
// score of o[i] plus score(i + 1, p + 1). Rows go from the last i to the
// first and each row from its last p, so replacing the best on equal
// scores leaves the smallest i, then the smallest p: the run found first.
// O(|t| |o|) time, two rows of memory.
Run bestRunBySweep(const char* t, std::size_t tLength, const char* o, std::size_t oLength) {
  using Score = std::uint32_t;
  thread_local std::vector<Score> below, row;
  below.assign(tLength + 1, 0);
  row.assign(tLength + 1, 0);
  Run best;
  Score bestScore = 0;
  for (std::size_t i = oLength; i-- > 0;) {
    const char c = o[i];
    const Score weight = isWordChar(static_cast<unsigned char>(c)) ? 1 : 0;
    Score rowBest = 0;
    for (std::size_t p = 0; p < tLength; ++p) {
      const Score score = t[p] == c ? static_cast<Score>(weight + below[p + 1]) : 0;
      row[p] = score;
      rowBest = std::max(rowBest, score);
    }
    if (rowBest != 0 && rowBest >= bestScore) {
      std::size_t p = 0;
      while (row[p] != rowBest) ++p;
      bestScore = rowBest;
      best = {rowBest, i, p, 0};
    }
    std::swap(below, row);
  }
  if (bestScore != 0)
    while (t[best.textPos + best.length] != '\0' &&
           t[best.textPos + best.length] == o[best.otherPos + best.length])
      ++best.length;
  return best;
}

// Only runs that cannot be extended to the left are measured: when t[p - 1]
// (not consumed) equals o[i - 1], the run from (i - 1, p - 1) holds the run
// from (i, p) and one byte more, so it scores at least as much and is found
// first. Each common byte then belongs to one measured run, and a pass costs
// the number of equal pairs instead of that times the run lengths (cubic on
// long repetitive names).
bool extendsLeft(const char* t, const char* o, std::size_t p, std::size_t i) {
  return p > 0 && i > 0 && t[p - 1] != '\0' && t[p - 1] == o[i - 1];
}

Run bestRun(const QuickSearchString& q, const char* t, std::size_t tLength, const char* o,
            std::size_t oLength) {
  if (tLength * oLength > kMeasuredPairsLimit) return bestRunBySweep(t, tLength, o, oLength);
  Run best;
  for (std::size_t i = 0; i < oLength; ++i) {
    const auto c = static_cast<unsigned char>(o[i]);
    if (c >= 32 && c <= 127) {
      for (std::size_t p : q.charPositions(c)) {
        if (p >= tLength) break;
        if (t[p] != '\0' && !extendsLeft(t, o, p, i)) measureRun(t, o, p, i, best);
      }
    } else {
      for (std::size_t p = 0; p < tLength; ++p)
        if (static_cast<unsigned char>(t[p]) == c && !extendsLeft(t, o, p, i))
          measureRun(t, o, p, i, best);
    }
  }
  return best;
}

}  // namespace

bool sameFileName(std::string_view a, std::string_view b, int& equalDirs) {
  std::size_t sepA = lastSeparatorBefore(a, a.size());
  std::size_t sepB = lastSeparatorBefore(b, b.size());
  if (sepA == std::string_view::npos || sepB == std::string_view::npos) return false;
  if (!equalIgnoringCase(a.substr(sepA + 1), b.substr(sepB + 1))) return false;
  equalDirs = 0;
  for (;;) {
    const std::size_t upA = lastSeparatorBefore(a, sepA);
    const std::size_t upB = lastSeparatorBefore(b, sepB);
    if (upA == std::string_view::npos || upB == std::string_view::npos) return true;
    if (!equalIgnoringCase(a.substr(upA + 1, sepA - upA - 1), b.substr(upB + 1, sepB - upB - 1)))
      return true;
    ++equalDirs;
    sepA = upA;
    sepB = upB;
  }
}

QuickSearchString::QuickSearchString(std::string searchText) : searchText_(std::move(searchText)) {
  for (std::size_t k = 0; k < searchText_.size(); ++k) {
    const auto c = static_cast<signed char>(searchText_[k]);
    if (c >= 32) charPositions_[static_cast<std::size_t>(c - 32)].push_back(k);
  }
}

QuickSearchString::~QuickSearchString() = default;

const std::vector<std::size_t>& QuickSearchString::charPositions(unsigned char code) const {
  static const std::vector<std::size_t> kNone;
  return (code >= 32 && code <= 127) ? charPositions_[code - 32] : kNone;
}

bool isWordChar(unsigned char c) { return c >= 0x80 || std::isalnum(c); }

double nameMatch(const QuickSearchString& q, std::string_view other) {
  thread_local WorkBuffer textBuffer, otherBuffer;
  const std::string_view text = upToZero(q.searchText());
  other = upToZero(other);
  char* t = textBuffer.holdCopy(text);
  char* o = otherBuffer.holdCopy(other);
  std::size_t oLength = other.size();
  const std::size_t words = countWordChars(text) + countWordChars(other);

  std::size_t total = 0;
  for (;;) {
    const Run run = bestRun(q, t, text.size(), o, oLength);
    if (run.score < 3) break;
    total += 2 * run.score;
    std::memset(t + run.textPos, 0, run.length);
    std::memmove(o + run.otherPos, o + run.otherPos + run.length,
                 oLength - run.otherPos - run.length + 1);
    oLength -= run.length;
  }
  if (words == 0) return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(total) / static_cast<double>(words);
}

}  // namespace kw
