#include "repair/name_match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "repair/candidates.h"
#include "tests/reference/reference.h"

namespace kw {
namespace {

int equalDirsOf(std::string_view a, std::string_view b) {
  int equalDirs = -1;
  EXPECT_TRUE(sameFileName(a, b, equalDirs)) << a << " " << b;
  return equalDirs;
}

TEST(SameFileNameTest, WorkedExamples) {
  EXPECT_EQ(equalDirsOf("C:\\Music\\Alpha\\River.mp3", "/mp3/alpha/river.MP3"), 1);
  int untouched = 42;
  EXPECT_FALSE(sameFileName("River.mp3", "/alpha/River.mp3", untouched));
  EXPECT_FALSE(sameFileName("/alpha/River.mp3", "River.mp3", untouched));
  EXPECT_FALSE(sameFileName("/a/river.mp3", "/a/river.mp4", untouched));
  EXPECT_FALSE(sameFileName("/a/river.mp3", "/a/river.mp", untouched));
  EXPECT_EQ(untouched, 42);
}

TEST(SameFileNameTest, CountsEqualDirectoriesUpToTheFirstSeparator) {
  EXPECT_EQ(equalDirsOf("/a/b/c/x.mp3", "/a/b/c/x.mp3"), 3);
  EXPECT_EQ(equalDirsOf("a/b/c/x.mp3", "a/b/c/x.mp3"), 2);  // 'a' stands before the first one
  EXPECT_EQ(equalDirsOf("D:\\m\\b\\x.mp3", "E:/M/B/X.MP3"), 2);
  EXPECT_EQ(equalDirsOf("/q/b/c/x.mp3", "/z/b/c/x.mp3"), 2);
  EXPECT_EQ(equalDirsOf("/a/q/c/x.mp3", "/a/z/c/x.mp3"), 1);  // stops at the first difference
  EXPECT_EQ(equalDirsOf("/c/x.mp3", "/a/b/c/x.mp3"), 1);      // shorter chain ends the walk
  EXPECT_EQ(equalDirsOf("/x.mp3", "/a/x.mp3"), 0);
  EXPECT_EQ(equalDirsOf("/ab/x.mp3", "/a/x.mp3"), 0);
  EXPECT_EQ(equalDirsOf("//x.mp3", "//x.mp3"), 1);  // an empty directory name equals one
}

TEST(QuickSearchStringTest, IndexesPrintableBytesOnly) {
  const QuickSearchString q(std::string("abca\x1f\x80\x7f", 7));
  EXPECT_EQ(q.charPositions('a'), (std::vector<std::size_t>{0, 3}));
  EXPECT_EQ(q.charPositions('c'), (std::vector<std::size_t>{2}));
  EXPECT_EQ(q.charPositions(0x7f), (std::vector<std::size_t>{6}));
  EXPECT_TRUE(q.charPositions(0x1f).empty());
  EXPECT_TRUE(q.charPositions(0x80).empty());
  EXPECT_EQ(q.searchText().size(), 7u);
}

TEST(NameMatchTest, WorkedExamples) {
  EXPECT_EQ(nameMatch(QuickSearchString("alpha - river"), "river - alpha"), 1.0);
  EXPECT_EQ(formatValue(nameMatch(QuickSearchString("song"), "song.mp3")), "0.727273");
  EXPECT_EQ(formatValue(nameMatch(QuickSearchString("river song"), "river song (live)")),
            "0.818182");
  EXPECT_EQ(formatValue(nameMatch(QuickSearchString("river"), "river.mp3")), "0.769231");
  EXPECT_EQ(nameMatch(QuickSearchString("rivers"), "rivers.mp3"), 0.8);
}

TEST(NameMatchTest, ShortOverlapsScoreNothing) {
  EXPECT_EQ(nameMatch(QuickSearchString("abc"), "abc"), 1.0);
  EXPECT_EQ(nameMatch(QuickSearchString("ab"), "ab"), 0.0);
  EXPECT_EQ(nameMatch(QuickSearchString("a-b-c"), "a-b-c"), 1.0);  // one run, three letters
  EXPECT_EQ(nameMatch(QuickSearchString("ab cd"), "ab-cd"), 0.0);
  EXPECT_TRUE(std::isnan(nameMatch(QuickSearchString("--"), " - ")));
  EXPECT_TRUE(std::isnan(nameMatch(QuickSearchString(""), "")));
  EXPECT_EQ(nameMatch(QuickSearchString(""), "abc"), 0.0);
}

TEST(NameMatchTest, HighBytesAreWordCharactersMatchedDirectly) {
  EXPECT_EQ(nameMatch(QuickSearchString("\xe4\xf6\xfc"), "\xe4\xf6\xfc"), 1.0);
  EXPECT_EQ(nameMatch(QuickSearchString("x\xe4\xf6y"), "x\xe4\xf6z"), 0.75);
}

TEST(NameMatchTest, BuffersGrowForLongNames) {
  const std::string longName(400, 'q');
  EXPECT_EQ(nameMatch(QuickSearchString(longName), longName), 1.0);
  EXPECT_EQ(nameMatch(QuickSearchString("abc"), "abc"), 1.0);
}

std::string randomName(std::mt19937& rng, const std::string& alphabet) {
  std::string s(rng() % 16, ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

TEST(NameMatchTest, EqualsReferenceOnRandomPairs) {
  std::mt19937 rng(13);
  const std::string alphabets[] = {"ab -", "abc", "abcd .-(", "ab\x80\xe4 1",
                                   "abcdefghijklmnopqrstuvwxyz0123456789 -."};
  for (int k = 0; k < 2000; ++k) {
    const std::string& alphabet = alphabets[rng() % std::size(alphabets)];
    const std::string text = randomName(rng, alphabet);
    const QuickSearchString q(text);
    for (int n = 0; n < 50; ++n) {
      const std::string other = randomName(rng, alphabet);
      const double expected = reference::nameMatch(text, other);
      const double actual = nameMatch(q, other);
      if (std::isnan(expected))
        ASSERT_TRUE(std::isnan(actual)) << "'" << text << "' '" << other << "'";
      else
        ASSERT_EQ(actual, expected) << "'" << text << "' '" << other << "'";
    }
  }
}

// Long names are searched by one sweep over all pairs of positions instead
// of run by run; repeated pieces give long runs and many ties, which must
// still go to the run found first.
TEST(NameMatchTest, EqualsReferenceOnLongAndRepetitiveNames) {
  std::mt19937 rng(29);
  const std::string pieces[] = {"ab", "abc-", "x1 ", "\x80\xe4" "a", "song (live) ", "a.b"};
  auto longName = [&](std::size_t length) {
    std::string s;
    while (s.size() < length) {
      std::string piece = pieces[rng() % std::size(pieces)];
      if (rng() % 4 == 0) piece[rng() % piece.size()] = "abz9 "[rng() % 5];
      s += piece;
    }
    return s;
  };
  for (int k = 0; k < 60; ++k) {
    const std::string text = longName(100 + rng() % 350);
    const std::string other =
        rng() % 3 == 0 ? text.substr(rng() % 50) + longName(rng() % 100) : longName(100 + rng() % 350);
    const double expected = reference::nameMatch(text, other);
    const double actual = nameMatch(QuickSearchString(text), other);
    if (std::isnan(expected))
      ASSERT_TRUE(std::isnan(actual)) << "'" << text << "' '" << other << "'";
    else
      ASSERT_EQ(actual, expected) << "'" << text << "' '" << other << "'";
  }
}

// A long junk name against itself (a library may hold such names) is one
// run: this used to take minutes.
TEST(NameMatchTest, LongNameAgainstItselfIsOneRun) {
  std::string name;
  for (int k = 0; k < 1000; ++k) name += "abab ";
  ASSERT_EQ(name.size(), 5000u);
  EXPECT_EQ(nameMatch(QuickSearchString(name), name), 1.0);
  // One run of all but the first "ab" of the name and the last of the
  // other; the two left over score 2 each, below 3.
  const std::string shifted = name.substr(2) + "ab";
  EXPECT_EQ(nameMatch(QuickSearchString(name), shifted), 7996.0 / 8000.0);
}

}  // namespace
}  // namespace kw
