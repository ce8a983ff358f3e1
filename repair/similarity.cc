#include "repair/similarity.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <numeric>

namespace kw {
namespace {

// Beyond this many dense transition slots (16 MB) a scorer keeps edge lists.
constexpr std::size_t kDenseLimit = std::size_t{1} << 22;

// Runs of triples longer than this are bounded by the end of the string
// instead of level by level, so a block bound costs O(|a|) for any input.
constexpr std::size_t kMaxRunLevels = 48;

// Byte t of the result holds bit t of every byte of x: bit 8r + c moves to
// 8c + r (an 8 x 8 bit matrix transposed).
std::uint64_t transpose8(std::uint64_t x) {
  std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
  return x;
}

// Two 64-bit words handled by one instruction where the target has vector
// registers (SSE2 on every x86-64); plain pairs of words elsewhere.
typedef std::uint64_t WordPair __attribute__((vector_size(16)));

WordPair loadPair(const std::uint64_t* words) {
  WordPair pair;
  std::memcpy(&pair, words, sizeof pair);
  return pair;
}

// For each of 64 lanes, how many of the added words have that lane's bit set
// (times their weight). Words go through carry-save adders thirty-two at a
// time, two side by side, and the sixteens into bit planes: about three
// operations per word.
class LaneCounter {
 public:
  void add(std::uint64_t word) {
    pending_[pendingCount_++] = word;
    if (pendingCount_ == kBatch) {
      addBatch(pending_);
      pendingCount_ = 0;
    }
  }

  void add(const std::uint64_t* words, std::size_t count) {
    while (pendingCount_ != 0 && count != 0) {
      add(*words++);
      --count;
    }
    for (; count >= kBatch; words += kBatch, count -= kBatch) addBatch(words);
    while (count-- != 0) add(*words++);
  }

  void addWeighted(std::uint64_t word, std::uint64_t weight) {
    for (int plane = 0; weight != 0; ++plane, weight >>= 1)
      if (weight & 1) addAt(word, plane);
  }

  void finish(std::uint64_t (&counts)[64]) {
    for (int k = 0; k < pendingCount_; ++k) addAt(pending_[k], 0);
    for (int half = 0; half < 2; ++half) {
      addAt(ones_[half], 0);
      addAt(twos_[half], 1);
      addAt(fours_[half], 2);
      addAt(eights_[half], 3);
    }
    std::fill(std::begin(counts), std::end(counts), 0);
    for (int base = 0; base < planeCount_; base += 8) {
      for (int group = 0; group < 8; ++group) {
        std::uint64_t matrix = 0;
        for (int r = 0; r < 8; ++r)
          matrix |= ((planes_[base + r] >> (8 * group)) & 0xFF) << (8 * r);
        matrix = transpose8(matrix);
        for (int t = 0; t < 8; ++t) counts[8 * group + t] |= ((matrix >> (8 * t)) & 0xFF) << base;
      }
    }
  }

 private:
  static constexpr int kBatch = 32;

  static void csa(WordPair& high, WordPair& low, WordPair a, WordPair b, WordPair c) {
    const WordPair u = a ^ b;
    high = (a & b) | (u & c);
    low = u ^ c;
  }

  void addAt(std::uint64_t word, int plane) {
    while (word != 0) {
      const std::uint64_t carry = planes_[plane] & word;
      planes_[plane] ^= word;
      word = carry;
      ++plane;
    }
    planeCount_ = std::max(planeCount_, plane);
  }

  void addBatch(const std::uint64_t* words) {
    WordPair d[16];
    for (int k = 0; k < 16; ++k) d[k] = loadPair(words + 2 * k);
    WordPair twosA, twosB, foursA, foursB, eightsA, eightsB, sixteens;
    csa(twosA, ones_, ones_, d[0], d[1]);
    csa(twosB, ones_, ones_, d[2], d[3]);
    csa(foursA, twos_, twos_, twosA, twosB);
    csa(twosA, ones_, ones_, d[4], d[5]);
    csa(twosB, ones_, ones_, d[6], d[7]);
    csa(foursB, twos_, twos_, twosA, twosB);
    csa(eightsA, fours_, fours_, foursA, foursB);
    csa(twosA, ones_, ones_, d[8], d[9]);
    csa(twosB, ones_, ones_, d[10], d[11]);
    csa(foursA, twos_, twos_, twosA, twosB);
    csa(twosA, ones_, ones_, d[12], d[13]);
    csa(twosB, ones_, ones_, d[14], d[15]);
    csa(foursB, twos_, twos_, twosA, twosB);
    csa(eightsB, fours_, fours_, foursA, foursB);
    csa(sixteens, eights_, eights_, eightsA, eightsB);
    addAt(sixteens[0], 4);
    addAt(sixteens[1], 4);
  }

  std::uint64_t pending_[kBatch];
  int pendingCount_ = 0;
  // Two independent partial counts, one per half of each pair.
  WordPair ones_{}, twos_{}, fours_{}, eights_{};
  // 64 planes hold any count below 2^64; 8 more keep the extraction simple.
  std::uint64_t planes_[72] = {};
  int planeCount_ = 0;
};

// Appends to `words`, level by level, the words of the positions i of a
// string (given by its triple hashes and its pair words p2) whose d + 1
// triples from i all occur in some lane; runs that reach kMaxRunLevels go
// to `counter` weighted by the levels left. Only the positions still
// running at a level are visited, so the cost follows the runs, not the
// length times the deepest run.
void appendRunLevels(const GramWords& block, const std::vector<std::uint16_t>& tripleHashes,
                     const std::uint64_t* p2, std::vector<std::uint64_t>& runs,
                     std::vector<std::uint32_t>& active, std::vector<std::uint64_t>& words,
                     LaneCounter& counter) {
  const std::size_t n = tripleHashes.size() + 2;
  runs.resize(n - 1);
  active.resize(n - 2);
  std::size_t running = 0;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    runs[i] = block.tripleWord(tripleHashes[i]) & p2[i] & p2[i + 1];
    active[running] = static_cast<std::uint32_t>(i);
    running += runs[i] != 0;
  }
  runs[n - 2] = 0;  // ends every run at the last triple
  for (std::size_t depth = 0; running != 0; ++depth) {
    if (depth == kMaxRunLevels) {
      // A run from i ends with the string: levels depth .. n - 3 - i.
      for (std::size_t k = 0; k < running; ++k)
        counter.addWeighted(runs[active[k]], n - 2 - active[k] - depth);
      return;
    }
    const std::size_t base = words.size();
    words.resize(base + running);
    std::uint64_t* out = words.data() + base;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < running; ++k) {
      const std::uint32_t i = active[k];
      const std::uint64_t w = runs[i];
      out[k] = w;
      // runs[i + 1] still holds this level: positions go up.
      const std::uint64_t deeper = w & runs[i + 1];
      runs[i] = deeper;
      active[kept] = i;
      kept += deeper != 0;
    }
    running = kept;
  }
}

}  // namespace

std::string lowerCased(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

double pathSimilarity(std::string_view a, std::string_view b) {
  const SimilarityScorer scorer(a);
  SimilarityScorer::Scratch scratch(scorer);
  return scorer.similarity(b, scratch);
}

double matchValue(const PlaylistEntry& entry, const PlaylistEntry& candidate) {
  double value = pathSimilarity(lowerCased(entry.path), lowerCased(candidate.path));
  if (entry.extInfo && candidate.extInfo)
    value += pathSimilarity(lowerCased(*entry.extInfo), lowerCased(*candidate.extInfo));
  return value;
}

GramSet::GramSet(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    bytes_[c >> 6] |= std::uint64_t{1} << (c & 63);
    if (i + 1 < s.size()) {
      const std::uint16_t h = pairHash(c, static_cast<unsigned char>(s[i + 1]));
      pairs_[h >> 6] |= std::uint64_t{1} << (h & 63);
    }
  }
}

void GramBlock::add(std::size_t lane, std::string_view s) {
  const std::uint64_t bit = std::uint64_t{1} << lane;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    words_[c] |= bit;
    if (i + 1 >= s.size()) continue;
    const auto d = static_cast<unsigned char>(s[i + 1]);
    words_[256 + GramSet::pairHash(c, d)] |= bit;
    if (i + 2 < s.size())
      words_[768 + tripleHash(c, d, static_cast<unsigned char>(s[i + 2]))] |= bit;
  }
}

SimilarityScorer::Scratch::Scratch(const SimilarityScorer& scorer)
    : reached_(scorer.length_.size(), 0), touched_(scorer.length_.size(), 0) {}

SimilarityScorer::SimilarityScorer(std::string_view a, bool foldCase) : text_(a) {
  symbol_.fill(-1);
  for (unsigned char c : text_)
    if (symbol_[c] < 0) symbol_[c] = static_cast<std::int16_t>(alphabet_++);
  for (std::size_t i = 0; i + 1 < text_.size(); ++i)
    pairHashes_.push_back(GramSet::pairHash(static_cast<unsigned char>(text_[i]),
                                            static_cast<unsigned char>(text_[i + 1])));
  for (std::size_t i = 0; i + 2 < text_.size(); ++i)
    tripleHashes_.push_back(GramBlock::tripleHash(static_cast<unsigned char>(text_[i]),
                                                  static_cast<unsigned char>(text_[i + 1]),
                                                  static_cast<unsigned char>(text_[i + 2])));
  maskWords_ = (text_.size() + 63) / 64;
  if (maskWords_ <= kMaxMaskWords) {
    distinctBytes_.resize(alphabet_);
    positionMasks_.assign(static_cast<std::size_t>(alphabet_) * maskWords_, 0);
    for (std::size_t i = 0; i < text_.size(); ++i) {
      const auto c = static_cast<unsigned char>(text_[i]);
      distinctBytes_[symbol_[c]] = c;
      positionMasks_[symbol_[c] * maskWords_ + i / 64] |= std::uint64_t{1} << (i % 64);
    }
  }
  build();
  if (foldCase) {
    for (unsigned char c = 'A'; c <= 'Z'; ++c) {
      symbol_[c] = symbol_[c + ('a' - 'A')];
      walkSymbol_[c] = walkSymbol_[c + ('a' - 'A')];
    }
  }
}

std::int32_t SimilarityScorer::next(std::int32_t state, std::int32_t symbol) const {
  if (dense_) return table_[static_cast<std::size_t>(state) * alphabet_ + symbol];
  for (std::int32_t e = firstEdge_[state]; e >= 0; e = edges_[e].nextEdge)
    if (edges_[e].symbol == symbol) return edges_[e].target;
  return 0;
}

// The suffix automaton of text_: every state stands for the substrings that
// end at the same set of positions; endCount_ is the size of that set.
void SimilarityScorer::build() {
  const std::size_t capacity = 2 * text_.size() + 1;
  // The walk table packs a state and a length into 16 bits each.
  dense_ = capacity * static_cast<std::size_t>(alphabet_ + 1) <= kDenseLimit &&
           capacity < kKeepsLength;
  length_.reserve(capacity);
  link_.reserve(capacity);
  endCount_.reserve(capacity);
  if (dense_)
    table_.reserve(capacity * alphabet_);
  else
    firstEdge_.reserve(capacity);

  auto newState = [&](std::int32_t length, std::int32_t link, std::int32_t count) {
    length_.push_back(length);
    link_.push_back(link);
    endCount_.push_back(count);
    if (dense_)
      table_.resize(table_.size() + alphabet_, 0);
    else
      firstEdge_.push_back(-1);
    return static_cast<std::int32_t>(length_.size() - 1);
  };
  auto set = [&](std::int32_t state, std::int32_t symbol, std::int32_t target) {
    if (dense_) {
      table_[static_cast<std::size_t>(state) * alphabet_ + symbol] = target;
      return;
    }
    for (std::int32_t e = firstEdge_[state]; e >= 0; e = edges_[e].nextEdge)
      if (edges_[e].symbol == symbol) {
        edges_[e].target = target;
        return;
      }
    edges_.push_back({symbol, target, firstEdge_[state]});
    firstEdge_[state] = static_cast<std::int32_t>(edges_.size() - 1);
  };
  auto copyTransitions = [&](std::int32_t from, std::int32_t to) {
    if (dense_) {
      std::copy_n(table_.begin() + static_cast<std::ptrdiff_t>(from) * alphabet_, alphabet_,
                  table_.begin() + static_cast<std::ptrdiff_t>(to) * alphabet_);
      return;
    }
    for (std::int32_t e = firstEdge_[from]; e >= 0; e = edges_[e].nextEdge) {
      const Edge copy = edges_[e];
      edges_.push_back({copy.symbol, copy.target, firstEdge_[to]});
      firstEdge_[to] = static_cast<std::int32_t>(edges_.size() - 1);
    }
  };

  newState(0, -1, 0);
  std::int32_t last = 0;
  for (unsigned char byte : text_) {
    const std::int32_t c = symbol_[byte];
    const std::int32_t cur = newState(length_[last] + 1, 0, 1);
    std::int32_t p = last;
    while (p >= 0 && next(p, c) == 0) {
      set(p, c, cur);
      p = link_[p];
    }
    if (p >= 0) {
      const std::int32_t q = next(p, c);
      if (length_[p] + 1 == length_[q]) {
        link_[cur] = q;
      } else {
        const std::int32_t clone = newState(length_[p] + 1, link_[q], 0);
        copyTransitions(q, clone);
        while (p >= 0 && next(p, c) == q) {
          set(p, c, clone);
          p = link_[p];
        }
        link_[q] = clone;
        link_[cur] = clone;
      }
    }
    last = cur;
  }

  // A string ending at a position of a state also ends there for every
  // shorter state on its suffix-link chain.
  std::vector<std::int32_t> order(length_.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&](std::int32_t x, std::int32_t y) { return length_[x] > length_[y]; });
  for (std::int32_t v : order)
    if (link_[v] >= 0) endCount_[link_[v]] += endCount_[v];
  if (dense_) buildWalkTable(order);
}

// Folds the suffix-link fallbacks of the matching walk into one table, so
// that a byte costs one lookup and no loop. Entry (state, symbol) holds the
// state reached and, in its low 16 bits, the length the match falls back
// to: kKeepsLength when the state itself has the transition (the length
// grows by one), else 1 + the length of the nearest suffix-link ancestor
// that has it. That fallback is never above the current length, so the new
// length is min(length + 1, low bits). The extra last column, for bytes
// absent from a, leads to the root with length 0. `byLengthDown` lists the
// states by decreasing length, so links come before the states using them
// when it is walked backwards.
void SimilarityScorer::buildWalkTable(const std::vector<std::int32_t>& byLengthDown) {
  const std::size_t width = static_cast<std::size_t>(alphabet_) + 1;
  walkTable_.assign(length_.size() * width, 0);
  for (auto it = byLengthDown.rbegin(); it != byLengthDown.rend(); ++it) {
    const std::size_t state = static_cast<std::size_t>(*it);
    std::uint32_t* row = &walkTable_[state * width];
    const std::uint32_t* linkRow =
        link_[state] >= 0 ? &walkTable_[static_cast<std::size_t>(link_[state]) * width] : nullptr;
    for (std::size_t c = 0; c + 1 < width; ++c) {
      const std::int32_t target = table_[state * static_cast<std::size_t>(alphabet_) + c];
      if (target != 0 || linkRow == nullptr) {
        row[c] = static_cast<std::uint32_t>(target) << 16 | kKeepsLength;
        continue;
      }
      const std::uint32_t fallback = linkRow[c];
      const std::uint32_t linkLength = static_cast<std::uint32_t>(length_[link_[state]]);
      row[c] = (fallback & 0xFFFF) == kKeepsLength ? (fallback & 0xFFFF0000u) | (linkLength + 1)
                                                   : fallback;
    }
  }
  for (std::size_t b = 0; b < 256; ++b)
    walkSymbol_[b] = static_cast<std::uint16_t>(symbol_[b] < 0 ? alphabet_ : symbol_[b]);
  table_.clear();
  table_.shrink_to_fit();
}

// Each pair (i, l) with a[i..i+l) occurring in b counts once, which gives
// exactly the sum of best(i). Matching b through the automaton yields, per
// state, the longest of its strings found in b; the shorter strings of the
// state and all strings of its suffix-link ancestors are then found too.
std::uint64_t SimilarityScorer::sum(std::string_view b, Scratch& scratch) const {
  std::int32_t* reached = scratch.reached_.data();
  std::int32_t* touched = scratch.touched_.data();
  std::size_t count = dense_ ? walkDense(b, reached, touched) : walkSparse(b, reached, touched);

  // A state whose every length is reached has had its ancestors visited
  // (from itself when the walk reached it, or by the climb that filled it),
  // so each climb stops at the first such state.
  const std::int32_t* link = link_.data();
  const std::int32_t* length = length_.data();
  const std::size_t visited = count;
  for (std::size_t k = 0; k < visited; ++k) {
    for (std::int32_t p = link[touched[k]]; p > 0 && reached[p] != length[p]; p = link[p]) {
      if (reached[p] == 0) touched[count++] = p;
      reached[p] = length[p];
    }
  }

  std::uint64_t total = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::int32_t u = touched[k];
    total += static_cast<std::uint64_t>(reached[u] - length[link[u]]) *
             static_cast<std::uint64_t>(endCount_[u]);
    reached[u] = 0;
  }
  return total;
}

std::size_t SimilarityScorer::walkDense(std::string_view b, std::int32_t* reached,
                                        std::int32_t* touched) const {
  const std::uint32_t* table = walkTable_.data();
  const std::size_t width = static_cast<std::size_t>(alphabet_) + 1;
  std::size_t count = 0;
  std::uint32_t state = 0, length = 0;
  for (unsigned char byte : b) {
    const std::uint32_t step = table[state * width + walkSymbol_[byte]];
    length = std::min(length + 1, step & 0xFFFF);
    state = step >> 16;
    if (static_cast<std::int32_t>(length) > reached[state]) {
      touched[count] = static_cast<std::int32_t>(state);
      count += reached[state] == 0;
      reached[state] = static_cast<std::int32_t>(length);
    }
  }
  return count;
}

std::size_t SimilarityScorer::walkSparse(std::string_view b, std::int32_t* reached,
                                         std::int32_t* touched) const {
  std::size_t count = 0;
  std::int32_t state = 0, length = 0;
  for (unsigned char byte : b) {
    const std::int32_t c = symbol_[byte];
    if (c < 0) {
      state = 0;
      length = 0;
      continue;
    }
    std::int32_t target;
    while ((target = next(state, c)) == 0 && state != 0) {
      state = link_[state];
      length = length_[state];
    }
    state = target;
    ++length;
    if (length > reached[state]) {
      touched[count] = state;
      count += reached[state] == 0;
      reached[state] = length;
    }
  }
  return count;
}

// A state of the automaton holds substrings of lengths up to length_ that
// all occur endCount_ times; a length-k suffix of its longest one occurs at
// least as often, so the most frequent k-gram is the largest count among
// the states at least k long.
std::vector<std::int32_t> SimilarityScorer::mostOccurrences() const {
  std::vector<std::int32_t> most(text_.size() + 1, 0);
  for (std::size_t s = 1; s < length_.size(); ++s)
    most[static_cast<std::size_t>(length_[s])] = std::max(most[static_cast<std::size_t>(length_[s])], endCount_[s]);
  for (std::size_t k = text_.size(); k > 1; --k) most[k - 1] = std::max(most[k - 1], most[k]);
  return most;
}

std::uint64_t SimilarityScorer::lengthBound(const std::vector<std::int32_t>& occurrences, std::size_t m,
                                            bool equal) const {
  const std::size_t n = text_.size();
  std::uint64_t bound = 0;
  for (std::size_t k = 1; k <= std::min(m, n); ++k)
    bound += std::min<std::uint64_t>(n - k + 1, (m - k + 1) * static_cast<std::uint64_t>(occurrences[k]));
  return m == n && !equal && n > 0 ? bound - 1 : bound;
}

double SimilarityScorer::similarity(std::string_view b, Scratch& scratch) const {
  return ratio(sum(b, scratch), b.size());
}

std::uint64_t SimilarityScorer::sumBound(const GramSet& grams, std::size_t m) const {
  return maskWords_ <= kMaxMaskWords ? sumBoundByMasks(grams) : sumBoundByPositions(grams, m);
}

// The same bound on bit sets of positions: `present` marks i with a[i] in b,
// `pairs` marks i with a[i]a[i+1] possibly in b, and runs[j] marks i with j
// consecutive such pairs from i, so sum_i 1 + run(i) over present positions
// is popcount(present) + sum_j popcount(runs[j]).
std::uint64_t SimilarityScorer::sumBoundByMasks(const GramSet& grams) const {
  const std::size_t words = maskWords_;
  std::uint64_t present[kMaxMaskWords] = {}, pairs[kMaxMaskWords] = {};
  // Without branches: whether a byte occurs in b is close to random.
  for (std::size_t s = 0; s < distinctBytes_.size(); ++s) {
    const std::uint64_t keep = std::uint64_t{0} - grams.byteBit(distinctBytes_[s]);
    const std::uint64_t* mask = &positionMasks_[s * words];
    for (std::size_t w = 0; w < words; ++w) present[w] |= mask[w] & keep;
  }
  for (std::size_t i = 0; i < pairHashes_.size(); ++i)
    pairs[i / 64] |= grams.pairBit(pairHashes_[i]) << (i % 64);
  std::uint64_t bound = 0;
  for (std::size_t w = 0; w < words; ++w) {
    const std::uint64_t nextPresent =
        (present[w] >> 1) | (w + 1 < words ? present[w + 1] << 63 : 0);
    pairs[w] &= present[w] & nextPresent;
    bound += static_cast<std::uint64_t>(std::popcount(present[w]));
  }
  for (bool any = true; any;) {
    any = false;
    for (std::size_t w = 0; w < words; ++w) {
      bound += static_cast<std::uint64_t>(std::popcount(pairs[w]));
      const std::uint64_t next = (pairs[w] >> 1) | (w + 1 < words ? pairs[w + 1] << 63 : 0);
      pairs[w] &= next;
      any |= pairs[w] != 0;
    }
  }
  return bound;
}

std::uint64_t SimilarityScorer::sumBoundByPositions(const GramSet& grams, std::size_t m) const {
  const std::size_t n = text_.size();
  std::uint64_t bound = 0;
  std::uint64_t run = 0;  // consecutive present pairs starting at i
  bool nextPresent = false;
  for (std::size_t i = n; i-- > 0;) {
    const bool present = grams.hasByte(static_cast<unsigned char>(text_[i]));
    if (!present) {
      run = 0;
    } else {
      run = (nextPresent && grams.mayHavePair(pairHashes_[i])) ? run + 1 : 0;
      bound += std::min<std::uint64_t>(run + 1, m);
    }
    nextPresent = present;
  }
  return bound;
}

// Bit e of every word below speaks of lane e: p1[i] says a[i] occurs,
// p2[i] the pair at i, a level-d word of i that the d + 1 triples from i all
// occur. Each set bit adds 1 to the bound of its lane, so position i adds
// 1 + 1 + the length of its run of triples, as the contract says.
void SimilarityScorer::blockBounds(const GramWords& block, BoundScratch& scratch,
                                   std::uint64_t (&bounds)[GramBlock::kLanes]) const {
  const std::size_t n = text_.size();
  LaneCounter counter;
  // Every word to count, back to back, so that they go through the counter
  // in whole batches: the bytes, the pairs, then the triple levels.
  // Room for the deepest levels up front: the pair words must not move.
  std::vector<std::uint64_t>& words = scratch.words_;
  words.reserve((2 + kMaxRunLevels) * n);
  words.resize(n + (n >= 2 ? n - 1 : 0));
  std::uint64_t* p1 = words.data();
  for (std::size_t i = 0; i < n; ++i) p1[i] = block.byteWord(static_cast<unsigned char>(text_[i]));
  std::uint64_t* p2 = p1 + n;
  for (std::size_t i = 0; i + 1 < n; ++i)
    p2[i] = block.pairWord(pairHashes_[i]) & p1[i] & p1[i + 1];
  if (n >= 3)
    appendRunLevels(block, tripleHashes_, p2, scratch.runs_, scratch.active_, words, counter);
  counter.add(words.data(), words.size());
  counter.finish(bounds);
}

}  // namespace kw
