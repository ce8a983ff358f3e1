// Similarity of two whole strings and the match value of two playlist
// entries, with a prepared form of the first string for scoring it against
// many others quickly.
#ifndef REPAIR_SIMILARITY_H_
#define REPAIR_SIMILARITY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/sys_dep/huge_buffer.h"
#include "playlist/playlist.h"

namespace kw {

// For every position i of `a`, best(i) is the length of the longest common
// prefix of a[i..] and any suffix of `b`; the result is the sum of best(i)
// divided by (|a| * |b|), a value in 0..1 (1 only for a single repeated byte
// against a short run of it). Not symmetric: the sum runs over `a`. 0 when
// either string is empty.
double pathSimilarity(std::string_view a, std::string_view b);

// pathSimilarity of the lower-cased paths of `entry` and `candidate`, plus
// that of their lower-cased extInfo lines when both have one: 0..2.
// The entry being repaired comes first.
double matchValue(const PlaylistEntry& entry, const PlaylistEntry& candidate);

// `s` with every byte folded by tolower (ASCII letters only).
std::string lowerCased(std::string_view s);

// The bytes and (hashed) byte pairs a string contains: 96 bytes that let a
// SimilarityScorer bound its sum against the string without reading it.
class GramSet {
 public:
  GramSet() = default;
  explicit GramSet(std::string_view s);

  bool hasByte(unsigned char c) const { return byteBit(c) != 0; }
  std::uint64_t byteBit(unsigned char c) const { return (bytes_[c >> 6] >> (c & 63)) & 1; }
  // May answer true for a pair that is absent (hash collision), never false
  // for a present one.
  bool mayHavePair(std::uint16_t pairHash) const { return pairBit(pairHash) != 0; }
  std::uint64_t pairBit(std::uint16_t pairHash) const {
    return (pairs_[pairHash >> 6] >> (pairHash & 63)) & 1;
  }
  static std::uint16_t pairHash(unsigned char x, unsigned char y) {
    return static_cast<std::uint16_t>(((x * 0x9E3779B1u) ^ (y * 0x85EBCA77u)) >> 23);
  }

 private:
  std::array<std::uint64_t, 4> bytes_{};
  std::array<std::uint64_t, 8> pairs_{};  // 512 bits
};

// Read access to the words of a gram block wherever they are stored: word w
// at base[w * stride].
class GramWords {
 public:
  GramWords(const std::uint64_t* base, std::size_t stride) : base_(base), stride_(stride) {}

  std::uint64_t byteWord(unsigned char c) const { return base_[c * stride_]; }
  // The pair bucket is GramSet::pairHash.
  std::uint64_t pairWord(std::uint16_t bucket) const { return base_[(256 + bucket) * stride_]; }
  std::uint64_t tripleWord(std::uint16_t bucket) const {
    return base_[(768 + bucket) * stride_];
  }

 private:
  const std::uint64_t* base_;
  std::size_t stride_;
};

// The byte, pair and (hashed) triple sets of up to 64 strings side by side:
// per byte value and per bucket one 64-bit word whose bit e says whether
// string e of the block contains it, so one load answers for 64 strings.
// 10 KB per block, about 160 bytes per string.
class GramBlock {
 public:
  static constexpr std::size_t kLanes = 64;
  static constexpr std::size_t kWords = 256 + 512 + 512;

  // Adds the grams of `s` to lane `lane` (< kLanes).
  void add(std::size_t lane, std::string_view s);

  GramWords words() const { return {words_.data(), 1}; }
  std::uint64_t word(std::size_t w) const { return words_[w]; }
  std::uint64_t byteWord(unsigned char c) const { return words_[c]; }
  // The pair bucket is GramSet::pairHash.
  std::uint64_t pairWord(std::uint16_t bucket) const { return words_[256 + bucket]; }
  std::uint64_t tripleWord(std::uint16_t bucket) const { return words_[768 + bucket]; }
  static std::uint16_t tripleHash(unsigned char x, unsigned char y, unsigned char z) {
    return static_cast<std::uint16_t>(((x * 0x9E3779B1u) ^ (y * 0x85EBCA77u) ^ (z * 0xC2B2AE3Du)) >>
                                      23);
  }

 private:
  std::array<std::uint64_t, kWords> words_{};
};

// Many gram blocks stored word by word: word w of every block side by side,
// so that scoring one string against block after block reads each word it
// needs as a sequential stream, eight blocks per cache line, instead of
// scattered lines of each 10 KB block.
class GramBlockColumns {
 public:
  explicit GramBlockColumns(std::size_t blocks = 0)
      : blocks_(blocks), words_(blocks * GramBlock::kWords, 0) {}

  void set(std::size_t block, const GramBlock& grams) {
    for (std::size_t w = 0; w < GramBlock::kWords; ++w) words_[w * blocks_ + block] = grams.word(w);
  }
  GramWords block(std::size_t block) const { return {words_.data() + block, blocks_}; }

 private:
  std::size_t blocks_;
  std::vector<std::uint64_t, sys_dep::HugePageAllocator<std::uint64_t>> words_;
};

// The first argument of pathSimilarity, prepared once (a suffix automaton of
// it, at most 2|a| states) and then scored against many second arguments in
// O(|b|) each. Immutable after construction, so one scorer may be shared by
// threads that each bring their own Scratch.
class SimilarityScorer {
 public:
  // Working memory of one thread for sum(); sized for one scorer and reused
  // for every string scored with it.
  class Scratch {
   public:
    explicit Scratch(const SimilarityScorer& scorer);

   private:
    friend class SimilarityScorer;
    std::vector<std::int32_t> reached_;  // longest length seen per state
    std::vector<std::int32_t> touched_;  // states with reached_ set, each once
  };

  // Working memory of one thread for blockBounds(), reused across calls.
  class BoundScratch {
   private:
    friend class SimilarityScorer;
    std::vector<std::uint64_t> words_, runs_;
    std::vector<std::uint32_t> active_;
  };

  // With `foldCase`, `a` must hold no ASCII capital (a lowered string) and
  // every second argument is scored as if lowered first: each capital
  // walks as its small letter, at no extra cost.
  explicit SimilarityScorer(std::string_view a, bool foldCase = false);

  std::size_t size() const { return text_.size(); }

  // The integer sum of best(i) over a against `b`, exactly as pathSimilarity
  // defines it. `scratch` must come from this scorer.
  std::uint64_t sum(std::string_view b, Scratch& scratch) const;

  // pathSimilarity(a, b), bit-identical.
  double similarity(std::string_view b, Scratch& scratch) const;

  // For each k in 1..size(), at index k, how often the most frequent
  // substring of length k occurs in a (index 0 holds 0). With these,
  // lengthBound gives an upper bound of sum(b) from |b| alone.
  std::vector<std::int32_t> mostOccurrences() const;

  // An upper bound of sum(b) for every b of length `m`, from
  // `occurrences` (mostOccurrences()): at most min(|a| - k + 1,
  // (m - k + 1) * occurrences[k]) positions i have best(i) >= k, and sum(b)
  // is the sum over k of those counts. Below the self-sum |a|(|a|+1)/2 for
  // every m > |a|; equal to it for m = |a|, where only a b equal to a
  // reaches it (`equal` false takes the bound without that one position).
  // O(min(m, |a|)).
  std::uint64_t lengthBound(const std::vector<std::int32_t>& occurrences, std::size_t m, bool equal = true) const;

  // An upper bound of sum(b) from what `grams` (of b, |b| = `m`) contains:
  // best(i) is 0 when a[i] is absent from b and at most 1 + the number of
  // consecutive pairs a[t]a[t+1], t >= i, present in b. O(|a|), no memory.
  std::uint64_t sumBound(const GramSet& grams, std::size_t m) const;

  // For every lane e of `block`, an upper bound of sum(b_e), b_e the string
  // added to lane e, into bounds[e] (lanes without a string get some value).
  // best(i) is 0 when a[i] is absent from b_e, at most 1 when the pair
  // a[i]a[i+1] is absent, at most 2 when the triple a[i..i+2] is absent, and
  // otherwise at most 2 + the number of consecutive triples present from i.
  // The sums of the 64 lanes are counted side by side (bit-sliced).
  void blockBounds(const GramWords& block, BoundScratch& scratch,
                   std::uint64_t (&bounds)[GramBlock::kLanes]) const;
  void blockBounds(const GramBlock& block, BoundScratch& scratch,
                   std::uint64_t (&bounds)[GramBlock::kLanes]) const {
    blockBounds(block.words(), scratch, bounds);
  }

  // The value sum / (|a| * m) computed exactly as pathSimilarity does; 0
  // when |a| or m is 0. Monotone in `sum`.
  double ratio(std::uint64_t sum, std::size_t m) const {
    if (text_.empty() || m == 0) return 0.0;
    return static_cast<double>(sum) / (static_cast<double>(text_.size()) * static_cast<double>(m));
  }

 private:
  std::int32_t next(std::int32_t state, std::int32_t symbol) const;
  void build();
  // The walk of sum(): marks in `reached` the longest string of each state
  // found in b and lists those states in `touched`; returns how many.
  std::size_t walkDense(std::string_view b, std::int32_t* reached, std::int32_t* touched) const;
  std::size_t walkSparse(std::string_view b, std::int32_t* reached, std::int32_t* touched) const;

  std::string text_;
  std::array<std::int16_t, 256> symbol_{};  // byte -> alphabet index, -1 absent
  std::int32_t alphabet_ = 0;
  bool dense_ = true;
  std::vector<std::int32_t> length_, link_, endCount_;
  std::vector<std::int32_t> table_;  // dense transitions while building, 0 = none
  // The dense walk: per state and symbol (one more for absent bytes) the next
  // state << 16 | the length to fall back to; see buildWalkTable.
  static constexpr std::uint32_t kKeepsLength = 0xFFFF;
  std::vector<std::uint32_t> walkTable_;
  std::array<std::uint16_t, 256> walkSymbol_{};
  void buildWalkTable(const std::vector<std::int32_t>& byLengthDown);
  // Sparse transitions for very long strings: per state a list of edges.
  struct Edge {
    std::int32_t symbol, target, nextEdge;
  };
  std::vector<std::int32_t> firstEdge_;
  std::vector<Edge> edges_;
  std::vector<std::uint16_t> pairHashes_;    // of a[i]a[i+1]
  std::vector<std::uint16_t> tripleHashes_;  // of a[i..i+2]
  // Bit sets over the positions of a, for strings of up to kMaxMaskWords
  // words: per distinct byte (in order of first occurrence) where it stands.
  static constexpr std::size_t kMaxMaskWords = 8;
  std::size_t maskWords_ = 0;
  std::vector<unsigned char> distinctBytes_;
  std::vector<std::uint64_t> positionMasks_;
  std::uint64_t sumBoundByMasks(const GramSet& grams) const;
  std::uint64_t sumBoundByPositions(const GramSet& grams, std::size_t m) const;
};

}  // namespace kw

#endif  // REPAIR_SIMILARITY_H_
