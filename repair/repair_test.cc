#include "repair/repair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "repair/repair_test_support.h"
#include "tests/reference/sample_library.h"
#include "tests/support/failing_allocations.h"

namespace kw {
namespace {

const std::string kAnnounce = "Using command line minimum match value (0.1)\n";

TEST(AskUserTest, PromptsAndReadsLines) {
  std::istringstream in("first\n\nlast");
  std::ostringstream out;
  EXPECT_EQ(askUser("Q?", out, in), "first");
  EXPECT_EQ(askUser("Q?", out, in), "");
  EXPECT_EQ(askUser("Q?", out, in), "last");
  EXPECT_EQ(askUser("Q?", out, in), "");  // end of input
  EXPECT_EQ(out.str(), "Q?\nQ?\nQ?\nQ?\n");
}

TEST_P(RepairTest, FiveCandidatesMoreRestartsAtTheFirstPage) {
  fillValid(5);
  PlayList invalid = invalidOf({PlaylistEntry("/old/band/song3.mp3")});
  const PlaylistEntry entry = invalid.entries[0];
  repair(invalid, "m\n\n");
  EXPECT_EQ(dialogue, kAnnounce + page(entry, 0) + kPrompt +
                          "Restarting from best matching replacement:\n" + page(entry, 0) + kPrompt);
  EXPECT_EQ(statistics, kNoStats);
  ASSERT_EQ(missing.entries.size(), 1u);  // skipped with ENTER
  EXPECT_EQ(missing.entries[0].path, "/old/band/song3.mp3");
  EXPECT_EQ(invalid.entries[0].path, "/old/band/song3.mp3");
}

TEST_P(RepairTest, EighteenCandidatesPageAndChooseFromTheSecondPage) {
  fillValid(18);
  PlayList invalid = invalidOf({PlaylistEntry("/old/band/song4.mp3")});
  const PlaylistEntry entry = invalid.entries[0];
  repair(invalid, "m\n1\n");
  EXPECT_EQ(dialogue, kAnnounce + page(entry, 0) + kPrompt + page(entry, 9) + kPrompt);
  EXPECT_EQ(invalid.entries[0].path, rankedPath(entry, 9));
  EXPECT_EQ(statistics,
            "Corrected entries = 1 - Corrected infos = 0\nDeleted entries = 0 - Deleted dupes = 0\n");
  EXPECT_TRUE(missing.entries.empty());

  PlayList again = invalidOf({entry});
  repair(again, "m\nm\n12\n");
  EXPECT_EQ(dialogue, kAnnounce + page(entry, 0) + kPrompt + page(entry, 9) + kPrompt +
                          "Restarting from best matching replacement:\n" + page(entry, 0) +
                          kPrompt);
  EXPECT_EQ(again.entries[0].path, rankedPath(entry, 11));  // beyond the nine shown
}

TEST_P(RepairTest, IllegalAnswersAskAgainWithoutThePage) {
  fillValid(3);
  PlayList invalid = invalidOf({PlaylistEntry("/old/band/song1.mp3")});
  const PlaylistEntry entry = invalid.entries[0];
  repair(invalid, "0\n-1\nD\nd \n4\nx\n 2abc\n");
  EXPECT_EQ(dialogue, kAnnounce + page(entry, 0) + kPrompt + "Illegal answer '0'\n" + kPrompt +
                          "Illegal answer '-1'\n" + kPrompt + "Illegal answer 'D'\n" + kPrompt +
                          "Illegal answer 'd '\n" + kPrompt + "Illegal answer '4'\n" + kPrompt +
                          "Illegal answer 'x'\n" + kPrompt);
  EXPECT_EQ(invalid.entries[0].path, rankedPath(entry, 1));  // " 2abc" reads as 2
}

TEST_P(RepairTest, DeleteMarksTheEntryAndItsMissingCopy) {
  fillValid(3);
  PlayList invalid = invalidOf({PlaylistEntry("/old/band/song1.mp3"), PlaylistEntry("/x/y.mp3")});
  Options lenient;
  lenient.minMatch = 0;
  repair(invalid, "d\n", lenient);  // the second entry meets the end of input
  EXPECT_TRUE(invalid.entries[0].deleted);
  EXPECT_FALSE(invalid.entries[1].deleted);
  ASSERT_EQ(missing.entries.size(), 2u);
  EXPECT_TRUE(missing.entries[0].deleted);
  EXPECT_FALSE(missing.entries[1].deleted);
  EXPECT_EQ(statistics,
            "Corrected entries = 0 - Corrected infos = 0\nDeleted entries = 1 - Deleted dupes = 0\n");
}

TEST_P(RepairTest, MinimumSetInTheDialogueCarriesOver) {
  fillValid(3);
  valid.entries.emplace_back("/zz/qqqq.ogg");
  PlayList invalid = invalidOf({PlaylistEntry("/old/band/song1.mp3"), PlaylistEntry("/zz/q")});
  const PlaylistEntry entry = invalid.entries[0];
  const std::string best = formatValue(collectCandidates(valid, invalid.entries[1])[0].value);
  repair(invalid, "l\n0.9\n\n");
  EXPECT_EQ(dialogue, kAnnounce + page(entry, 0) + kPrompt + "Enter minimum match value\n" +
                          "Minimum match value set to 0.9\n" +
                          "Restarting from best matching replacement:\n" + page(entry, 0) +
                          kPrompt + "Skip: '/zz/q' (best=" + best + ")\n");
  ASSERT_EQ(missing.entries.size(), 1u);  // the skip by the minimum is not missing

  PlayList second = invalidOf({PlaylistEntry("/zz/q")});
  repair(second, "");
  EXPECT_EQ(dialogue, "Minimum match value set to 0.9\nSkip: '/zz/q' (best=" + best + ")\n");

  // After a reset the command line's value counts again; "l" with an empty
  // answer sets 0.
  resetInteractiveMinMatch();
  PlayList third = invalidOf({PlaylistEntry("/old/band/song1.mp3")});
  repair(third, "l\n\n");
  EXPECT_EQ(dialogue, kAnnounce + page(entry, 0) + kPrompt +
                          "Enter minimum match value\nMinimum match value set to 0\n" +
                          "Restarting from best matching replacement:\n" + page(entry, 0) +
                          kPrompt);
  PlayList fourth = invalidOf({PlaylistEntry("/zz/q")});
  repair(fourth, "");
  EXPECT_EQ(dialogue.rfind("Minimum match value set to 0\n", 0), 0u);
}

TEST_P(RepairTest, EndOfInputSkipsEveryEntryAskedAbout) {
  fillValid(2);
  PlayList invalid = invalidOf({PlaylistEntry("/a/band/song0.mp3"), PlaylistEntry("/b/song1.mp3")});
  Options lenient;
  lenient.minMatch = 0;
  repair(invalid, "", lenient);
  EXPECT_EQ(missing.entries.size(), 2u);
  EXPECT_EQ(statistics, kNoStats);
}

TEST_P(RepairTest, NothingFound) {
  PlayList invalid = invalidOf({PlaylistEntry("/a/b.mp3")});
  repair(invalid, "");
  EXPECT_EQ(dialogue, kAnnounce + "No replacements found - skipping entry!\n");
  EXPECT_EQ(missing.entries.size(), 1u);
}

TEST_P(RepairTest, ValidEntriesAndCopiedInfos) {
  valid.entries.emplace_back("/lib/a.mp3", "#EXTINF:10,A");
  valid.entries.emplace_back("/lib/b.mp3");
  PlayList invalid = invalidOf({PlaylistEntry("/lib/a.mp3"), PlaylistEntry("/lib/b.mp3", "#x"),
                                PlaylistEntry("/lib/a.mp3", "#EXTINF:10,A")});
  repair(invalid, "");
  EXPECT_EQ(dialogue, kAnnounce);
  EXPECT_EQ(statistics, kNoStats);
  EXPECT_EQ(invalid.entries[0].extInfo, nullptr);

  Options c;
  c.copyInfo = true;
  repair(invalid, "", c);
  EXPECT_EQ(*invalid.entries[0].extInfo, "#EXTINF:10,A");
  EXPECT_EQ(*invalid.entries[1].extInfo, "#x");  // the twin has no line
  EXPECT_EQ(statistics,
            "Corrected entries = 0 - Corrected infos = 1\nDeleted entries = 0 - Deleted dupes = 0\n");

  PlayList own = invalidOf({PlaylistEntry("/lib/a.mp3", "#mine")});
  c.keepInfo = true;
  repair(own, "", c);
  EXPECT_EQ(*own.entries[0].extInfo, "#mine");
  EXPECT_EQ(statistics, kNoStats);
  EXPECT_TRUE(missing.entries.empty());
}

TEST_P(RepairTest, AutomaticSelection) {
  valid.entries.emplace_back("/new/Music/Pop/x.mp3", "#EXTINF:1,x");
  valid.entries.emplace_back("/new/Music/Rock/x.mp3");
  PlayList invalid = invalidOf({PlaylistEntry("D:\\Music\\Pop\\X.MP3")});
  Options a;
  a.autoSelect = true;
  repair(invalid, "", a);
  EXPECT_EQ(dialogue, kAnnounce + "Song: 'D:\\Music\\Pop\\X.MP3'\nAuto: '/new/Music/Pop/x.mp3'\n");
  EXPECT_EQ(invalid.entries[0].path, "/new/Music/Pop/x.mp3");
  EXPECT_EQ(statistics,
            "Corrected entries = 1 - Corrected infos = 1\nDeleted entries = 0 - Deleted dupes = 0\n");

  PlayList strict = invalidOf({PlaylistEntry("D:\\Music\\Pop\\X.MP3")});
  a.minMatch = 0;
  a.dirs = 2;  // three equal directory names needed, two there
  repair(strict, "", a);
  EXPECT_EQ(strict.entries[0].path, "D:\\Music\\Pop\\X.MP3");
  EXPECT_EQ(missing.entries.size(), 1u);
}

TEST_P(RepairTest, DuplicatesRemovedBeforeAndAfter) {
  valid.entries.emplace_back("/lib/band/one.mp3");
  PlayList invalid =
      invalidOf({PlaylistEntry("/old/x.mp3"), PlaylistEntry("/old/x.mp3"),
                 PlaylistEntry("/lib/band/one.mp3"), PlaylistEntry("/old/band/one.mp3")});
  Options d;
  d.minMatch = 0;
  d.removeDupes = true;
  d.autoSelect = true;
  repair(invalid, "", d);
  // The first /old/x.mp3 goes before the repair; /old/band/one.mp3 becomes
  // /lib/band/one.mp3 automatically and then duplicates the third entry.
  EXPECT_TRUE(invalid.entries[0].deleted);
  EXPECT_FALSE(invalid.entries[1].deleted);
  EXPECT_TRUE(invalid.entries[2].deleted);
  EXPECT_FALSE(invalid.entries[3].deleted);
  EXPECT_EQ(statistics,
            "Corrected entries = 1 - Corrected infos = 0\nDeleted entries = 0 - Deleted dupes = 2\n");
  EXPECT_EQ(missing.entries.size(), 1u);  // /old/x.mp3, asked about once
}

// With -b, a minimum set with "l" applies from the next entry on.
TEST_P(RepairTest, ConfidentChoiceMeetsTheMinimumSetInTheDialogue) {
  valid.entries.emplace_back("/lib/band/alpha.mp3");
  valid.entries.emplace_back("/lib/band/alpine.mp3");
  valid.entries.emplace_back("/lib/other/zebra.mp3");
  PlayList invalid = invalidOf({PlaylistEntry("/old/band/alp.mp3"), PlaylistEntry("/x/zebra.ogg"),
                                PlaylistEntry("/y/zebra.ogg")});
  const PlaylistEntry first = invalid.entries[0];
  const CandidateSet zebra = collectCandidates(valid, invalid.entries[1]);
  ASSERT_LE(zebra[1].value, 0.5 * zebra[0].value);
  Options b;
  b.bestRatio = 0.5;
  repair(invalid, "\n", b);
  EXPECT_EQ(dialogue, kAnnounce + page(first, 0) + kPrompt +
                          "Song: '/x/zebra.ogg'\nBest: '/lib/other/zebra.mp3'\n" +
                          "Song: '/y/zebra.ogg'\nBest: '/lib/other/zebra.mp3'\n");
  resetInteractiveMinMatch();
  PlayList again = invalidOf({first, PlaylistEntry("/x/zebra.ogg")});
  const std::string best = formatValue(zebra[0].value);
  repair(again, "l\n0.9\n\n", b);
  EXPECT_EQ(dialogue.substr(dialogue.rfind(kPrompt) + kPrompt.size()),
            "Skip: '/x/zebra.ogg' (best=" + best + ")\n");
}

TEST_P(RepairTest, ValuesIgnoreTheFormattingOfTheCallersStream) {
  fillValid(1);
  PlayList invalid = invalidOf({PlaylistEntry("/zz/q")});
  std::istringstream in;
  std::ostringstream out, stats;
  out << std::fixed << std::setprecision(2);
  RepairSettings settings;
  settings.minMatch = 0.9;
  repairPlaylist(invalid, valid, missing, settings, stats, out, in, GetParam());
  const std::string best = formatValue(collectCandidates(valid, invalid.entries[0])[0].value);
  EXPECT_EQ(out.str(), "Using command line minimum match value (0.9)\nSkip: '/zz/q' (best=" + best +
                           ")\n");
  EXPECT_EQ(best.find("0.0"), 0u);
  EXPECT_NE(best.size(), 4u);
}

// A long playlist walks far past the sets scored ahead: entries deleted by
// -d before the walk and by "d" on the way, automatic replacements (-a, -i), skips by
// the minimum, a minimum set halfway and a second playlist after it must
// give the same bytes with any number of threads.
TEST(RepairLookaheadTest, LongDialoguesEqualOneThread) {
  const PlayList library = reference::makeLibrary(1500, 31);
  PlayList old = reference::makeDamagedPlaylist(library, 160, 32);
  for (std::size_t k = 0; k < 40; k += 3) old.entries.push_back(old.entries[k]);  // dupes
  std::string answers;
  for (int k = 0; k < 60; ++k) {
    static const char* const kScript[] = {"1\n", "d\n", "\n", "m\n2\n", "x\n3\n", "2\n"};
    answers += k == 30 ? "l\n0.3\n1\n" : kScript[k % 6];
  }
  struct Outcome {
    std::string dialogue, statistics;
    PlayList first{"a.m3u"}, second{"b.m3u"}, missing{"missing.m3u"};
  };
  auto run = [&](unsigned threads) {
    resetInteractiveMinMatch();
    Outcome o;
    o.first = old;
    o.second = old;
    std::istringstream in(answers);
    std::ostringstream out, stats;
    const ValidLibrary index(library, threads);
    RepairSettings first;
    first.removeDupes = first.autoSelect = true;
    first.minMatch = 0.2;
    RepairSettings second;
    second.sameSong = true;
    second.dirs = 1;
    second.copyInfo = second.keepInfo = true;
    repairPlaylist(o.first, index, o.missing, first, stats, out, in);
    repairPlaylist(o.second, index, o.missing, second, stats, out, in);
    o.dialogue = out.str();
    o.statistics = stats.str();
    resetInteractiveMinMatch();
    return o;
  };
  const Outcome one = run(1);
  ASSERT_NE(one.dialogue.find("Minimum match value set to 0.3\n"), std::string::npos);
  ASSERT_NE(one.dialogue.find("Auto: '"), std::string::npos);
  ASSERT_NE(one.dialogue.find("Skip: '"), std::string::npos);
  ASSERT_NE(one.dialogue.find("Same: '"), std::string::npos);
  for (const unsigned threads : {2u, 5u}) {
    const Outcome many = run(threads);
    EXPECT_EQ(many.dialogue, one.dialogue) << threads << " threads";
    EXPECT_EQ(many.statistics, one.statistics) << threads << " threads";
    for (const auto& [a, b] : {std::pair{&many.first, &one.first}, {&many.second, &one.second},
                               {&many.missing, &one.missing}}) {
      ASSERT_EQ(a->entries.size(), b->entries.size());
      for (std::size_t k = 0; k < a->entries.size(); ++k) {
        const PlaylistEntry &x = a->entries[k], &y = b->entries[k];
        EXPECT_EQ(x.path, y.path) << k;
        EXPECT_EQ(x.deleted, y.deleted) << k;
        EXPECT_EQ(x.extInfo ? *x.extInfo : "-", y.extInfo ? *y.extInfo : "-") << k;
      }
    }
  }
}

std::string contentOf(const PlayList& list) {
  std::string text;
  for (const PlaylistEntry& e : list.entries)
    text += (e.deleted ? "-" : "+") + e.path + "|" + (e.extInfo ? *e.extInfo : "") + "\n";
  return text;
}

// Settling an entry by its path alone must give the bytes that ranking
// gives, whatever the options and answers: random small libraries full of
// ties (a path twice, other letter case, short paths scoring high, lines
// lifting other songs) and playlists of their paths (some as file:// URIs,
// some repeated), broken paths and other lines.
TEST(RepairListedTest, LookupGivesTheBytesOfTheRanking) {
  std::mt19937 rng(41);
  const auto pick = [&rng](std::initializer_list<const char*> words) {
    return std::string(words.begin()[rng() % words.size()]);
  };
  const auto randomPath = [&] {
    std::string path;
    for (std::size_t k = 0, parts = 1 + rng() % 3; k < parts; ++k)
      path += "/" + pick({"a", "A", "ab", "b", "x y", "ab/ab"});
    return path + pick({"", ".mp3", ".ogg"});
  };
  const auto randomInfo = [&] {
    return rng() % 3 ? "#EXTINF:" + pick({"1", "9"}) + "," + pick({"a", "ab - b", "B"}) : "";
  };
  for (int round = 0; round < 150; ++round) {
    PlayList library("valid.m3u");
    for (std::size_t k = 0, size = 2 + rng() % 25; k < size; ++k)
      library.entries.emplace_back(randomPath(), randomInfo());
    PlayList old("old.m3u");
    for (int k = 0; k < 20; ++k) {
      std::string path = rng() % 4 ? std::string(library.entries[rng() % library.entries.size()].path) : randomPath();
      if (rng() % 6 == 0) path = "file://" + path;
      old.entries.emplace_back(path, rng() % 2 ? randomInfo() : std::string());
    }
    RepairSettings settings;
    settings.removeDupes = rng() % 4 == 0;
    settings.autoSelect = rng() % 2;
    settings.dirs = static_cast<int>(rng() % 2);
    settings.copyInfo = rng() % 2;
    settings.keepInfo = rng() % 3 == 0;
    settings.sameSong = rng() % 3 == 0;
    settings.minMatch = rng() % 2 ? 0.1 : 0.4;
    if (rng() % 2) settings.bestRatio = rng() % 2 ? 0.6 : 0.99;
    std::string answers;
    for (int k = 0; k < 30; ++k) answers += pick({"1\n", "\n", "d\n", "m\n2\n", "2\n", "l\n0.2\n"});
    const unsigned threads = 1 + round % 2;
    const ValidLibrary valid(library, threads);
    std::string outcome[2];
    for (const bool lookup : {false, true}) {
      resetInteractiveMinMatch();
      PlayList invalid = old, missing("missing.m3u");
      std::istringstream in(answers);
      std::ostringstream out;
      settings.settleListed = lookup;
      repairPlaylist(invalid, valid, missing, settings, out, out, in);
      outcome[lookup] = out.str() + contentOf(invalid) + contentOf(missing);
    }
    ASSERT_EQ(outcome[true], outcome[false]) << "round " << round;
  }
  resetInteractiveMinMatch();
}

// An allocation that fails anywhere in a repair scored ahead by three
// threads, while they start or while they score, reaches the caller as
// std::bad_alloc once every thread is stopped and joined: no hang, no
// std::terminate. A run that gets around the failure repairs as usual.
TEST(RepairLookaheadTest, FailedAllocationOnAnyThreadReachesTheCaller) {
  const PlayList library = reference::makeLibrary(60, 33);
  const PlayList old = reference::makeDamagedPlaylist(library, 6, 34);
  const ValidLibrary index(library, 3);
  RepairSettings settings;
  settings.removeDupes = settings.autoSelect = true;
  settings.minMatch = 0.3;
  // Every question gets ENTER, as does a question whose answer cannot be read.
  auto repair = [&](PlayList& list, PlayList& missing) {
    std::istringstream in;
    std::ostringstream out, stats;
    repairPlaylist(list, index, missing, settings, stats, out, in);
  };
  PlayList expected = old, expectedMissing("missing.m3u");
  repair(expected, expectedMissing);
  ASSERT_FALSE(expectedMissing.entries.empty());
  PlayList list = old, missing("missing.m3u");
  const trackmend_test::Deadline deadline(300);
  const int runs = trackmend_test::failEachAllocationInTurn(
      [&] { repair(list, missing); },
      [&](bool threw) {
        if (!threw) {
          EXPECT_EQ(contentOf(list), contentOf(expected));
          EXPECT_EQ(contentOf(missing), contentOf(expectedMissing));
        }
        list = old;
        missing.entries.clear();
      });
  EXPECT_GT(runs, 10);
}

// The dialogue and the workers hand candidate sets to each other through
// one condition variable. Short repairs, again and again on 2 to 6 threads
// for 20 s (and at least 25 times), must each end (a lost wake-up would hang
// one, and the deadline would abort the test) and give what one thread gives.
TEST(RepairLookaheadTest, ManyShortRepairsNeverLoseAWakeUp) {
  const PlayList library = reference::makeLibrary(300, 35);
  const PlayList old = reference::makeDamagedPlaylist(library, 24, 36);
  RepairSettings settings;
  settings.autoSelect = true;
  settings.minMatch = 0.2;
  std::vector<std::unique_ptr<ValidLibrary>> indexes;
  for (unsigned threads = 0; threads <= 6; ++threads)
    indexes.push_back(std::make_unique<ValidLibrary>(library, std::max(1u, threads)));
  const auto run = [&](unsigned threads) {
    PlayList list = old, missing("missing.m3u");
    std::istringstream in("1\n\nd\n2\n");  // then the end of the answers
    std::ostringstream out, stats;
    repairPlaylist(list, *indexes[threads], missing, settings, stats, out, in);
    return out.str() + stats.str() + contentOf(list) + contentOf(missing);
  };
  const std::string expected = run(1);
  ASSERT_NE(expected.find("Auto: '"), std::string::npos);
  const trackmend_test::Deadline deadline(120);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  // At least a few rounds on each thread count even on a loaded machine or
  // under a sanitizer; how many fit in the 20 s is the machine's business.
  for (int rounds = 0; rounds < 25 || std::chrono::steady_clock::now() < end; ++rounds)
    ASSERT_EQ(run(2 + rounds % 5), expected) << rounds;
}

INSTANTIATE_TEST_SUITE_P(Threads, RepairTest, ::testing::Values(1u, 3u),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                           return std::to_string(info.param);
                         });

}  // namespace
}  // namespace kw
