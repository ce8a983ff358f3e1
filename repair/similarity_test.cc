#include "repair/similarity.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "repair/candidates.h"
#include "tests/reference/reference.h"
#include "tests/reference/sample_library.h"

namespace kw {
namespace {

std::string randomString(std::mt19937& rng, std::size_t maxLength, const std::string& alphabet) {
  std::string s(rng() % (maxLength + 1), ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

TEST(PathSimilarityTest, WorkedExamples) {
  EXPECT_EQ(formatValue(pathSimilarity("abc", "abc")), "0.666667");
  EXPECT_EQ(pathSimilarity("abc", "abc"), 6.0 / 9.0);
  EXPECT_EQ(formatValue(pathSimilarity("/music/alpha/river.mp3", "/music/alpha/river.mp3")),
            "0.522727");
  EXPECT_EQ(pathSimilarity("/music/alpha/river.mp3", "/music/alpha/river.mp3"), 23.0 / 44.0);
  EXPECT_EQ(formatValue(pathSimilarity("xxxx", "xx")), "0.875");
  EXPECT_EQ(pathSimilarity("xx", "xxxx"), 3.0 / 8.0);  // not symmetric
}

TEST(PathSimilarityTest, NoCommonByteAndEmptyStrings) {
  EXPECT_EQ(pathSimilarity("abc", "xyz"), 0.0);
  EXPECT_EQ(pathSimilarity("", "abc"), 0.0);
  EXPECT_EQ(pathSimilarity("abc", ""), 0.0);
  EXPECT_EQ(pathSimilarity("", ""), 0.0);
}

TEST(PathSimilarityTest, SelfSimilarityIsNPlusOneOverTwoN) {
  for (std::string s : {"a", "ab", "abcdefgh", "the quick brown fox"})
    EXPECT_EQ(pathSimilarity(s, s),
              static_cast<double>(s.size() * (s.size() + 1) / 2) /
                  (static_cast<double>(s.size()) * static_cast<double>(s.size())))
        << s;
}

TEST(MatchValueTest, FoldsCaseAndAddsTheLinesOnlyWhenBothHaveOne) {
  const PlaylistEntry upper("C:\\MUSIC\\A.MP3"), lower("c:\\music\\a.mp3");
  EXPECT_EQ(matchValue(upper, lower), pathSimilarity("c:\\music\\a.mp3", "c:\\music\\a.mp3"));
  const PlaylistEntry withInfo("c:\\music\\a.mp3", "#EXTINF:10,A");
  const PlaylistEntry otherInfo("c:\\music\\a.mp3", "#extinf:10,a");
  EXPECT_EQ(matchValue(upper, withInfo), matchValue(upper, lower));
  EXPECT_EQ(matchValue(withInfo, lower), matchValue(upper, lower));
  EXPECT_EQ(matchValue(withInfo, otherInfo),
            pathSimilarity("c:\\music\\a.mp3", "c:\\music\\a.mp3") +
                pathSimilarity("#extinf:10,a", "#extinf:10,a"));
  EXPECT_EQ(upper.path, "C:\\MUSIC\\A.MP3");  // entries keep their case
}

// The prepared scorer against the plain sum, on strings of few distinct
// bytes (many repeats, like 'xxxx' against 'xx') and of many; every scorer
// is reused for a series of second strings with one scratch.
TEST(SimilarityScorerTest, SumEqualsReferenceOnRandomPairs) {
  std::mt19937 rng(7);
  const std::string alphabets[] = {"x", "xy", "abc", "abcd", "abcdefghijklmnopqrstuvwxyz/. -",
                                   std::string("a\x80\xff\0b", 5)};
  std::size_t pairs = 0;
  while (pairs < 100000) {
    const std::string& alphabet = alphabets[rng() % std::size(alphabets)];
    const std::string a = randomString(rng, 24, alphabet);
    const SimilarityScorer scorer(a);
    SimilarityScorer::Scratch scratch(scorer);
    const std::vector<std::int32_t> occurrences = scorer.mostOccurrences();
    ASSERT_EQ(scorer.lengthBound(occurrences, a.size()), a.size() * (a.size() + 1) / 2) << a;
    for (int k = 0; k < 25; ++k, ++pairs) {
      const std::string b = randomString(rng, 24, alphabet);
      const unsigned long long expected = reference::similaritySum(a, b);
      ASSERT_EQ(scorer.sum(b, scratch), expected) << "'" << a << "' '" << b << "'";
      ASSERT_GE(scorer.sumBound(GramSet(b), b.size()), expected) << "'" << a << "' '" << b << "'";
      ASSERT_GE(scorer.lengthBound(occurrences, b.size(), a == b), expected) << "'" << a << "' '" << b << "'";
      ASSERT_EQ(scorer.similarity(b, scratch), reference::pathSimilarity(a, b));
    }
  }
}

TEST(SimilarityScorerTest, MatchesReferenceOnRealisticPaths) {
  const PlayList library = reference::makeLibrary(400, 3);
  std::mt19937 rng(11);
  for (int k = 0; k < 2000; ++k) {
    const std::string a = lowerCased(library.entries[rng() % 400].path);
    const std::string b = lowerCased(library.entries[rng() % 400].path);
    const SimilarityScorer scorer(a);
    SimilarityScorer::Scratch scratch(scorer);
    const unsigned long long expected = reference::similaritySum(a, b);
    ASSERT_EQ(scorer.sum(b, scratch), expected) << a << " " << b;
    ASSERT_GE(scorer.sumBound(GramSet(b), b.size()), expected);
  }
}

// A scorer that folds case scores mixed-case strings exactly as their
// lowered forms, on dense and sparse (long, many-byte) automata alike.
TEST(SimilarityScorerTest, FoldingCaseEqualsScoringTheLoweredString) {
  std::mt19937 rng(13);
  const std::string alphabet = "aAbBzZ09/ \x80\xC3";
  std::string many;
  for (int c = 1; c < 256; ++c) many += static_cast<char>(c);
  for (int round = 0; round < 300; ++round) {
    const bool sparse = round % 50 == 0;
    const std::string a = lowerCased(randomString(rng, sparse ? 20000 : 30, sparse ? many : alphabet));
    const SimilarityScorer folding(a, true);
    SimilarityScorer::Scratch scratch(folding);
    for (int k = 0; k < 20; ++k) {
      const std::string b = randomString(rng, 30, sparse ? many : alphabet);
      ASSERT_EQ(folding.sum(b, scratch), reference::similaritySum(a, lowerCased(b))) << a << " " << b;
    }
  }
}

// The bound of one lane computed plainly from the block's bits: 0 for an
// absent byte, 1 for an absent pair, 2 for an absent triple, else 1 more
// than the bound of the next position.
unsigned long long plainLaneBound(const std::string& a, const GramBlock& block, std::size_t lane) {
  auto bit = [&](std::uint64_t word) { return (word >> lane) & 1; };
  auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(a[i]); };
  unsigned long long total = 0, next = 0;
  for (std::size_t i = a.size(); i-- > 0;) {
    unsigned long long here = bit(block.byteWord(byteAt(i)));
    if (here && i + 1 < a.size() && bit(block.byteWord(byteAt(i + 1))) &&
        bit(block.pairWord(GramSet::pairHash(byteAt(i), byteAt(i + 1))))) {
      here = 2;
      if (i + 2 < a.size() && next >= 2 &&
          bit(block.tripleWord(GramBlock::tripleHash(byteAt(i), byteAt(i + 1), byteAt(i + 2)))))
        here = 1 + next;
    }
    total += here;
    next = here;
  }
  return total;
}

// The 64 lanes of a block counted side by side give exactly the plain
// bound (runs up to 48 triples), which is never below the sum; longer runs
// are bounded by the end of the string.
TEST(SimilarityScorerTest, BlockBoundsCountEveryLaneAndNeverFallBelowTheSum) {
  std::mt19937 rng(13);
  const std::string alphabets[] = {"x", "xy", "abcd", "abcdefghijklmnopqrstuvwxyz/. -",
                                   std::string("a\x80\xff\0b", 5)};
  for (int round = 0; round < 400; ++round) {
    const std::string& alphabet = alphabets[rng() % std::size(alphabets)];
    const std::string a = randomString(rng, round % 4 == 0 ? 200 : 50, alphabet);
    const SimilarityScorer scorer(a);
    SimilarityScorer::BoundScratch scratch;
    GramBlock block;
    std::vector<std::string> lanes(GramBlock::kLanes);
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
      const std::size_t from = rng() % (a.size() + 1);
      lanes[lane] = rng() % 3 == 0 ? a.substr(from, rng() % 120) + randomString(rng, 10, alphabet)
                                   : randomString(rng, 60, alphabet);
      block.add(lane, lanes[lane]);
    }
    std::uint64_t bounds[GramBlock::kLanes];
    scorer.blockBounds(block, scratch, bounds);
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
      const std::string& b = lanes[lane];
      ASSERT_GE(bounds[lane], reference::similaritySum(a, b)) << "'" << a << "' '" << b << "'";
      if (a.size() <= 50)
        ASSERT_EQ(bounds[lane], plainLaneBound(a, block, lane)) << "'" << a << "' '" << b << "'";
      else
        ASSERT_GE(bounds[lane], plainLaneBound(a, block, lane));
    }
  }
}

// A long string with many distinct bytes keeps its transitions in lists
// instead of a table; the sums must not change.
TEST(SimilarityScorerTest, LongStringsUseSparseTransitions) {
  std::mt19937 rng(5);
  std::string alphabet;
  for (int c = 1; c < 256; ++c) alphabet += static_cast<char>(c);
  std::string a(20000, ' ');
  for (char& c : a) c = alphabet[rng() % alphabet.size()];
  const SimilarityScorer scorer(a);
  SimilarityScorer::Scratch scratch(scorer);
  for (int k = 0; k < 3; ++k) {
    std::string b = a.substr(rng() % 19000, 40) + randomString(rng, 20, alphabet);
    EXPECT_EQ(scorer.sum(b, scratch), reference::similaritySum(a, b));
  }
}

// Long strings over few bytes: the packed walk table holds states and
// lengths in 16 bits up to about 32,000 bytes; beyond, the edge lists take
// over. Long matches and repeats stress the fallback lengths.
TEST(SimilarityScorerTest, LongStringsOverFewBytesOnBothSidesOfThePackedLimit) {
  std::mt19937 rng(9);
  for (const std::size_t n : {32766u, 32767u, 40000u}) {
    std::string a(n, 'a');
    for (char& c : a) c = "abc"[rng() % 3];
    a.replace(n / 2, 300, std::string(300, 'a'));
    const SimilarityScorer scorer(a);
    SimilarityScorer::Scratch scratch(scorer);
    for (int k = 0; k < 4; ++k) {
      const std::string b = a.substr(rng() % (n - 400), 200) + "z" +
                            std::string(rng() % 350, 'a') + randomString(rng, 30, "abcz");
      EXPECT_EQ(scorer.sum(b, scratch), reference::similaritySum(a, b)) << n;
    }
  }
}

}  // namespace
}  // namespace kw
