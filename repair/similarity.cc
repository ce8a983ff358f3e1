#include "repair/similarity.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <numeric>

namespace kw {
namespace {

// Beyond this many dense transition slots (16 MB) a scorer keeps edge lists.
constexpr std::size_t kDenseLimit = std::size_t{1} << 22;

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

SimilarityScorer::Scratch::Scratch(const SimilarityScorer& scorer)
    : reached_(scorer.length_.size(), 0), full_(scorer.length_.size(), 0) {
  touched_.reserve(scorer.length_.size());
}

SimilarityScorer::SimilarityScorer(std::string_view a) : text_(a) {
  symbol_.fill(-1);
  for (unsigned char c : text_)
    if (symbol_[c] < 0) symbol_[c] = static_cast<std::int16_t>(alphabet_++);
  for (std::size_t i = 0; i + 1 < text_.size(); ++i)
    pairHashes_.push_back(GramSet::pairHash(static_cast<unsigned char>(text_[i]),
                                            static_cast<unsigned char>(text_[i + 1])));
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
  std::uint8_t* full = scratch.full_.data();
  std::vector<std::int32_t>& touched = scratch.touched_;
  touched.clear();

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
    state = target;  // the root has a transition for every byte of a
    ++length;
    if (length > reached[state]) {
      if (reached[state] == 0) touched.push_back(state);
      reached[state] = length;
    }
  }

  const std::size_t visited = touched.size();
  for (std::size_t k = 0; k < visited; ++k) {
    for (std::int32_t p = link_[touched[k]]; p > 0 && !full[p]; p = link_[p]) {
      if (reached[p] == 0) touched.push_back(p);
      full[p] = 1;
      reached[p] = length_[p];
    }
  }

  std::uint64_t total = 0;
  for (std::int32_t u : touched) {
    total += static_cast<std::uint64_t>(reached[u] - length_[link_[u]]) *
             static_cast<std::uint64_t>(endCount_[u]);
    reached[u] = 0;
    full[u] = 0;
  }
  return total;
}

double SimilarityScorer::ratio(std::uint64_t sum, std::size_t m) const {
  if (text_.empty() || m == 0) return 0.0;
  return static_cast<double>(sum) /
         (static_cast<double>(text_.size()) * static_cast<double>(m));
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

}  // namespace kw
