#include "repair/similarity.h"

#include <algorithm>
#include <bit>
#include <cctype>
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

// For each of 64 lanes, how many of the added words have that lane's bit set
// (times their weight). Words go through carry-save adders sixteen at a time
// and the sixteens into bit planes, about five operations per word.
class LaneCounter {
 public:
  void add(std::uint64_t word) {
    pending_[pendingCount_++] = word;
    if (pendingCount_ == 16) {
      addSixteen(pending_);
      pendingCount_ = 0;
    }
  }

  void add(const std::uint64_t* words, std::size_t count) {
    while (pendingCount_ != 0 && count != 0) {
      add(*words++);
      --count;
    }
    for (; count >= 16; words += 16, count -= 16) addSixteen(words);
    while (count-- != 0) add(*words++);
  }

  void addWeighted(std::uint64_t word, std::uint64_t weight) {
    for (int plane = 0; weight != 0; ++plane, weight >>= 1)
      if (weight & 1) addAt(word, plane);
  }

  void finish(std::uint64_t (&counts)[64]) {
    for (int k = 0; k < pendingCount_; ++k) addAt(pending_[k], 0);
    addAt(ones_, 0);
    addAt(twos_, 1);
    addAt(fours_, 2);
    addAt(eights_, 3);
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
  static void csa(std::uint64_t& high, std::uint64_t& low, std::uint64_t a, std::uint64_t b,
                  std::uint64_t c) {
    const std::uint64_t u = a ^ b;
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

  void addSixteen(const std::uint64_t* d) {
    std::uint64_t twosA, twosB, foursA, foursB, eightsA, eightsB, sixteens;
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
    addAt(sixteens, 4);
  }

  std::uint64_t pending_[16];
  int pendingCount_ = 0;
  std::uint64_t ones_ = 0, twos_ = 0, fours_ = 0, eights_ = 0;
  // 64 planes hold any count below 2^64; 8 more keep the extraction simple.
  std::uint64_t planes_[72] = {};
  int planeCount_ = 0;
};

// Level d counts, per lane, the positions i of a string whose d + 1 triples
// from i all occur (the string's triple hashes and pair words p2 given). Only the positions still running at a level are visited, so the
// cost follows the runs, not the length times the deepest run.
void addRunLevels(const GramBlock& block, const std::vector<std::uint16_t>& tripleHashes,
                  const std::vector<std::uint64_t>& p2, std::vector<std::uint64_t>& runs,
                  std::vector<std::uint32_t>& active, std::vector<std::uint64_t>& gathered,
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
    std::size_t kept = 0;
    for (std::size_t k = 0; k < running; ++k) {
      const std::uint32_t i = active[k];
      const std::uint64_t w = runs[i];
      gathered[k] = w;
      // runs[i + 1] still holds this level: positions go up.
      const std::uint64_t deeper = w & runs[i + 1];
      runs[i] = deeper;
      active[kept] = i;
      kept += deeper != 0;
    }
    counter.add(gathered.data(), running);
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

SimilarityScorer::SimilarityScorer(std::string_view a) : text_(a) {
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
  dense_ = capacity * static_cast<std::size_t>(alphabet_) <= kDenseLimit;
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
  const std::int32_t* table = table_.data();
  const std::int32_t* link = link_.data();
  const std::int32_t* lengths = length_.data();
  const std::size_t alphabet = static_cast<std::size_t>(alphabet_);
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
    while ((target = table[static_cast<std::size_t>(state) * alphabet + c]) == 0 && state != 0) {
      state = link[state];
      length = lengths[state];
    }
    state = target;  // the root has a transition for every byte of a
    ++length;
    if (length > reached[state]) {
      touched[count] = state;
      count += reached[state] == 0;
      reached[state] = length;
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
// p2[i] the pair at i, runs[i] at depth d that the d + 1 triples from i all
// occur. Each set bit adds 1 to the bound of its lane, so position i adds
// 1 + 1 + the length of its run of triples, as the contract says.
void SimilarityScorer::blockBounds(const GramBlock& block, BoundScratch& scratch,
                                   std::uint64_t (&bounds)[GramBlock::kLanes]) const {
  const std::size_t n = text_.size();
  LaneCounter counter;
  std::vector<std::uint64_t>& p1 = scratch.bytes_;
  std::vector<std::uint64_t>& p2 = scratch.pairs_;
  std::vector<std::uint64_t>& runs = scratch.runs_;
  std::vector<std::uint64_t>& gathered = scratch.gathered_;
  p1.resize(n);
  gathered.resize(n);
  for (std::size_t i = 0; i < n; ++i) p1[i] = block.byteWord(static_cast<unsigned char>(text_[i]));
  counter.add(p1.data(), n);
  if (n >= 2) {
    p2.resize(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i)
      p2[i] = block.pairWord(pairHashes_[i]) & p1[i] & p1[i + 1];
    counter.add(p2.data(), n - 1);
  }
  if (n >= 3)
    addRunLevels(block, tripleHashes_, p2, runs, scratch.active_, gathered, counter);
  counter.finish(bounds);
}

}  // namespace kw
