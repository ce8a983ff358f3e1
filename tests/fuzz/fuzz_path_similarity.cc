// The fast path similarity (a suffix automaton of the first string, with a
// pruning bound) against the plain reference: bit-identical values, equal
// sums, a bound never below the sum, and scratch memory reused correctly
// over several second strings.
//
// Input: one mode byte, then the first string, then second strings, all
// separated by line feeds (up to four second strings are used). Mode bits 1
// and 2 give the entries of the match value extended information. The mode
// byte 0xFF grows the first string past the automaton's dense-table limit
// with all 256 byte values, repeated: the replayed regression inputs use it,
// the fuzzer does not (it would learn the byte and spend its time there).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "repair/similarity.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/reference/reference.h"

namespace {

using trackmend_fuzz::fail;

// The reference costs up to |a| * |b| * min(|a|, |b|) steps; this keeps one
// input below a few milliseconds.
constexpr double kReferenceBudget = 2e5;
// Second strings checked per input.
constexpr size_t kMaxSecondStrings = 4;

double referenceCost(const std::string& a, const std::string& b) {
  const double n = static_cast<double>(a.size()), m = static_cast<double>(b.size());
  return n * m * (n < m ? n : m);
}

void fitBudget(const std::string& a, std::string& b) {
  while (!b.empty() && referenceCost(a, b) > kReferenceBudget) b.resize(b.size() / 2);
}

#ifndef TRACKMEND_LIBFUZZER
std::string allBytesRepeated(size_t atLeast) {
  std::string text;
  while (text.size() < atLeast)
    for (int c = 0; c < 256; ++c) text.push_back(static_cast<char>(c));
  return text;
}
#endif

bool sameBits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

std::string describe(const std::string& a, const std::string& b) {
  return "|a|=" + std::to_string(a.size()) + " |b|=" + std::to_string(b.size());
}

void checkPair(const std::string& a, const std::string& b, const kw::SimilarityScorer& scorer,
               kw::SimilarityScorer::Scratch& scratch) {
  const unsigned long long expectedSum = kw::reference::similaritySum(a, b);
  const double expected = kw::reference::pathSimilarity(a, b);
  const double fast = kw::pathSimilarity(a, b);
  if (!sameBits(fast, expected))
    fail("pathSimilarity " + std::to_string(fast) + " != reference " + std::to_string(expected) + " " + describe(a, b));
  const std::uint64_t sum = scorer.sum(b, scratch);
  if (sum != expectedSum)
    fail("scorer sum " + std::to_string(sum) + " != reference " + std::to_string(expectedSum) + " " + describe(a, b));
  if (!sameBits(scorer.similarity(b, scratch), expected)) fail("scorer similarity differs " + describe(a, b));
  if (!sameBits(scorer.ratio(sum, b.size()), expected)) fail("scorer ratio differs " + describe(a, b));
  if (scorer.sumBound(kw::GramSet(b), b.size()) < sum) fail("sumBound below the sum " + describe(a, b));
  if (expected < 0 || expected > 1) fail("similarity outside 0..1 " + describe(a, b));
}

void checkMatchValue(const std::string& a, const std::string& b, uint8_t mode) {
  const kw::PlaylistEntry entry(a, (mode & 2) ? "#EXTINF:1," + b : std::string());
  const kw::PlaylistEntry candidate(b, (mode & 4) ? "#EXTINF:2," + a : std::string());
  const double fast = kw::matchValue(entry, candidate);
  const double expected = kw::reference::matchValue(entry, candidate);
  if (!sameBits(fast, expected))
    fail("matchValue " + std::to_string(fast) + " != reference " + std::to_string(expected) + " " + describe(a, b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::vector<std::string> pieces = trackmend_fuzz::splitAt(data + 1, size - 1, '\n');
  std::string a = pieces[0];
#ifndef TRACKMEND_LIBFUZZER
  if (mode == 0xFF) a += allBytesRepeated(8400);
#endif
  pieces.erase(pieces.begin());
  if (pieces.empty()) pieces.emplace_back();
  if (pieces.size() > kMaxSecondStrings) pieces.resize(kMaxSecondStrings);

  const kw::SimilarityScorer scorer(a);
  if (scorer.size() != a.size()) fail("scorer size differs from its string");
  kw::SimilarityScorer::Scratch scratch(scorer);
  for (auto& b : pieces) {
    fitBudget(a, b);
    checkPair(a, b, scorer, scratch);
  }
  std::string first = pieces[0];
  if (a.size() <= 2000) {
    fitBudget(a, first);
    checkMatchValue(a, first, mode);
  }
  return 0;
}
