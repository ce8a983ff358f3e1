#include "repair/candidates.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <sstream>
#include <string>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "tests/reference/reference.h"
#include "tests/reference/sample_library.h"
#include "tests/support/failing_allocations.h"

namespace kw {
namespace {

// Whether names are compared ignoring letter case here (Windows).
const bool kNamesIgnoreCase = sys_dep::samePath("A", "a");

PlayList listOf(std::initializer_list<PlaylistEntry> entries) {
  PlayList list("valid.m3u");
  list.entries = entries;
  return list;
}

std::vector<std::string> pathsOf(const CandidateSet& set) {
  std::vector<std::string> paths;
  for (const Candidate& c : set) paths.push_back(c.entry.path);
  return paths;
}

void expectSameSet(const CandidateSet& actual,
                   const std::vector<std::pair<double, PlaylistEntry>>& expected,
                   const std::string& context) {
  ASSERT_EQ(actual.size(), expected.size()) << context;
  for (std::size_t k = 0; k < actual.size(); ++k) {
    ASSERT_EQ(actual[k].value, expected[k].first) << context << " at " << k;
    ASSERT_EQ(actual[k].entry.path, expected[k].second.path) << context << " at " << k;
    ASSERT_EQ(actual[k].entry.extInfo != nullptr, expected[k].second.extInfo != nullptr);
  }
}

TEST(CollectCandidatesTest, RanksByValueThenLaterEntryFirst) {
  const PlayList valid = listOf({PlaylistEntry("/x/one.mp3"), PlaylistEntry("/y/abc.mp3"),
                                 PlaylistEntry("/x/two.mp3"), PlaylistEntry("/y/abc.mp3")});
  const CandidateSet set = collectCandidates(valid, PlaylistEntry("/y/abc.mp3"), 450);
  ASSERT_EQ(set.size(), 4u);
  EXPECT_EQ(set[0].value, pathSimilarity("/y/abc.mp3", "/y/abc.mp3"));
  EXPECT_EQ(set[0].value, set[1].value);
  EXPECT_EQ(pathsOf(set), (std::vector<std::string>{"/y/abc.mp3", "/y/abc.mp3", "/x/two.mp3",
                                                    "/x/one.mp3"}));
  // Both /x entries score alike; the later one ranks first.
  EXPECT_EQ(set[2].value, set[3].value);
}

TEST(CollectCandidatesTest, CopiesAreIndependentAndDeletedEntriesCount) {
  PlayList valid = listOf({PlaylistEntry("/a/b.mp3", "#EXTINF:1,b")});
  valid.entries[0].deleted = true;
  const CandidateSet set = collectCandidates(valid, PlaylistEntry("/a/b.mp3"), 450);
  ASSERT_EQ(set.size(), 1u);
  valid.entries[0].extInfo->assign("changed");
  EXPECT_EQ(*set[0].entry.extInfo, "#EXTINF:1,b");
  EXPECT_TRUE(collectCandidates(valid, PlaylistEntry("/a/b.mp3"), 0).empty());
}

// 450 songs of one value fill the set; one better song arrives and all 450
// leave together, so the set shrinks to that one song; the next weaker
// songs then fill it again.
TEST(CollectCandidatesTest, FullSetDropsAllTiedBottomPairsAtOnce) {
  PlayList valid("valid.m3u");
  for (int k = 0; k < 450; ++k) valid.entries.emplace_back("/q/zzz.mp3");
  valid.entries.emplace_back("/a/song.mp3");
  const PlaylistEntry entry("/a/song.mp3");
  const CandidateSet full = CandidateIndex(valid, 1).collectHere(entry, 450);
  ASSERT_EQ(full.size(), 1u);
  EXPECT_EQ(full[0].entry.path, "/a/song.mp3");
  valid.entries.emplace_back("/q/zzz.mp3");
  valid.entries.emplace_back("/b/song.mp3");
  const CandidateSet set = CandidateIndex(valid, 1).collectHere(entry, 450);
  EXPECT_EQ(pathsOf(set),
            (std::vector<std::string>{"/a/song.mp3", "/b/song.mp3", "/q/zzz.mp3"}));
  expectSameSet(set, reference::collectCandidates(valid, entry, 450), "refill");
}

TEST(CollectCandidatesTest, KeepsAtMostTheLimit) {
  PlayList valid("valid.m3u");
  for (int k = 0; k < 1000; ++k) valid.entries.emplace_back("/m/" + std::to_string(k) + ".mp3");
  const PlaylistEntry entry("/m/123.mp3");
  const CandidateSet set = CandidateIndex(valid, 1).collectHere(entry, 450);
  EXPECT_LE(set.size(), 450u);
  EXPECT_EQ(set[0].entry.path, "/m/123.mp3");
  expectSameSet(set, reference::collectCandidates(valid, entry, 450), "limit");
}

std::string randomPath(std::mt19937& rng, const std::string& alphabet, std::size_t most) {
  std::string s(1 + rng() % most, ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

// "#" and `text`: an extInfo line. (Built in place: GCC 12 at -O3 warns
// falsely about "#" + std::string.)
std::string lineOf(std::string text) {
  text.insert(0, 1, '#');
  return text;
}

// Short paths over few bytes give many equal values, so small limits keep
// dropping tied bottoms; every set must equal the plain one.
TEST(CollectCandidatesTest, EqualsReferenceWithManyTies) {
  std::mt19937 rng(17);
  std::size_t pairs = 0;
  for (int round = 0; pairs < 100000; ++round) {
    const std::string alphabet = round % 2 ? "ab/" : "abcd/.";
    PlayList valid("valid.m3u");
    const std::size_t size = 200 + rng() % 2000;
    for (std::size_t k = 0; k < size; ++k)
      valid.entries.emplace_back(randomPath(rng, alphabet, 8),
                                 rng() % 3 ? std::string() : lineOf(randomPath(rng, alphabet, 4)));
    const CandidateIndex single(valid, 1);
    for (int e = 0; e < 4; ++e, pairs += size) {
      const PlaylistEntry entry(randomPath(rng, alphabet, 8),
                                rng() % 2 ? std::string() : lineOf(randomPath(rng, alphabet, 4)));
      const std::size_t limit = e == 3 ? 450 : 1 + rng() % 10;
      const auto expected = reference::collectCandidates(valid, entry, limit);
      const std::string context = entry.path + " limit " + std::to_string(limit);
      expectSameSet(single.collectHere(entry, limit), expected, context);
    }
  }
}

// A song ranks first alone exactly when the ranking puts it first and the
// second value is strictly lower; ties, case variants, short paths that
// score higher and lines that lift another song are not.
TEST(RanksFirstAloneTest, CasesAndRandomLibraries) {
  const struct {
    std::vector<PlaylistEntry> songs;
    PlaylistEntry entry;
    bool alone;
  } cases[] = {
      {{PlaylistEntry("/m/a/02.mp3"), PlaylistEntry("/m/a/01.mp3")}, PlaylistEntry("/m/a/01.mp3"), true},
      {{PlaylistEntry("/m/a/01.mp3"), PlaylistEntry("/m/a/01.mp3")}, PlaylistEntry("/m/a/01.mp3"), false},
      {{PlaylistEntry("/m/A/01.mp3"), PlaylistEntry("/m/a/01.mp3")}, PlaylistEntry("/m/a/01.mp3"), false},
      {{PlaylistEntry("ab/"), PlaylistEntry("/ab/ab/ab/ab/ab/ab")}, PlaylistEntry("/ab/ab/ab/ab/ab/ab"), false},
      {{PlaylistEntry("/m/a/02.mp3", "#EXTINF:9,Low - Song"), PlaylistEntry("/m/a/01.mp3", "#EXTINF:9,Other")},
       PlaylistEntry("/m/a/01.mp3", "#EXTINF:9,Low - Song"), false},
      {{PlaylistEntry("/m/a/02.mp3", "#EXTINF:9,Low - Song"), PlaylistEntry("/m/a/01.mp3", "#EXTINF:9,Low - Song")},
       PlaylistEntry("/m/a/01.mp3", "#EXTINF:9,Low - Song"), true},
  };
  for (const auto& c : cases) {  // the entry's song stands last
    PlayList valid("valid.m3u");
    valid.entries = c.songs;
    EXPECT_EQ(CandidateIndex(valid, 1).ranksFirstAlone(c.entry, c.songs.size() - 1), c.alone) << c.entry.path;
  }
  std::mt19937 rng(23);
  int alone = 0, notAlone = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string alphabet = round % 2 ? "aB/" : "abcD/.";
    PlayList valid("valid.m3u");
    for (std::size_t k = 0, size = 1 + rng() % 150; k < size; ++k)
      valid.entries.emplace_back(randomPath(rng, alphabet, 8),
                                 rng() % 3 ? std::string() : lineOf(randomPath(rng, alphabet, 4)));
    const CandidateIndex index(valid, 1);
    for (std::size_t position = 0; position < valid.entries.size(); position += 7) {
      const PlaylistEntry entry(valid.entries[position].path,
                                rng() % 2 ? std::string() : lineOf(randomPath(rng, alphabet, 4)));
      const CandidateSet set = index.collectHere(entry);
      const bool expected = set[0].position == position && (set.size() == 1 || set[1].value < set[0].value);
      ASSERT_EQ(index.ranksFirstAlone(entry, position), expected) << entry.path << " at " << position;
      ++(expected ? alone : notAlone);
    }
  }
  EXPECT_GT(notAlone, 100);
  EXPECT_GT(alone, 100);
}

TEST(CollectCandidatesTest, EqualsReferenceOnARealisticLibrary) {
  const PlayList library = reference::makeLibrary(1200, 21);
  const PlayList old = reference::makeDamagedPlaylist(library, 8, 22);
  const CandidateIndex index(library, 1);
  for (const PlaylistEntry& entry : old.entries) {
    const auto expected = reference::collectCandidates(library, entry, 450);
    expectSameSet(index.collectHere(entry, 450), expected, entry.path);
    expectSameSet(index.collectHere(entry, 5), reference::collectCandidates(library, entry, 5),
                  entry.path + " limit 5");
  }
}

// Many entries at once: set k is entry k's set, however many threads share
// the entries out (more threads than entries included).
TEST(CollectCandidatesTest, CollectEachEqualsOneEntryAtATime) {
  const PlayList library = reference::makeLibrary(3000, 25);
  const PlayList old = reference::makeDamagedPlaylist(library, 40, 26);
  const CandidateIndex single(library, 1);
  for (const unsigned threads : {1u, 2u, 3u, 64u}) {
    const CandidateIndex index(library, threads);
    for (const std::size_t limit : {1u, 450u}) {
      const std::vector<CandidateSet> sets = index.collectEach(old.entries, limit);
      ASSERT_EQ(sets.size(), old.entries.size());
      for (std::size_t k = 0; k < sets.size(); ++k) {
        std::vector<std::pair<double, PlaylistEntry>> expected;
        for (const Candidate& c : single.collectHere(old.entries[k], limit))
          expected.emplace_back(c.value, c.entry);
        expectSameSet(sets[k], expected,
                      old.entries[k].path + " " + std::to_string(threads) + " threads");
      }
    }
    const std::vector<PlaylistEntry> none;
    EXPECT_TRUE(index.collectEach(none).empty());
    expectSameSet(index.collectEach(std::span(old.entries).first(1), 5).at(0),
                  reference::collectCandidates(library, old.entries[0], 5), "first entry alone");
  }
}

// An allocation that fails on any thread while several threads share out
// the entries reaches the caller as std::bad_alloc once every thread is
// joined: no hang, no std::terminate. A run that gets around the failure
// gives the usual sets.
TEST(CollectCandidatesTest, FailedAllocationOnAnyThreadReachesTheCaller) {
  const PlayList library = reference::makeLibrary(1500, 27);
  const PlayList old = reference::makeDamagedPlaylist(library, 3, 28);
  const CandidateIndex single(library, 1), index(library, 3);
  std::vector<std::vector<std::pair<double, PlaylistEntry>>> expected;
  for (const PlaylistEntry& entry : old.entries) {
    expected.emplace_back();
    for (const Candidate& c : single.collectHere(entry, 7)) expected.back().emplace_back(c.value, c.entry);
  }
  const trackmend_test::Deadline deadline(300);
  std::vector<CandidateSet> sets;
  const int manyEntriesRuns = trackmend_test::failEachAllocationInTurn(
      [&] { sets = index.collectEach(old.entries, 7); },
      [&](bool threw) {
        for (std::size_t k = 0; !threw && k < sets.size(); ++k) expectSameSet(sets[k], expected[k], "many");
      });
  EXPECT_GT(manyEntriesRuns, 10);
}

// A path or line longer than an item's 32-bit size (lowered here to 8
// bytes) is refused with the whole list, never cut short or wrapped; one of
// exactly the limit is scored as usual.
TEST(CollectCandidatesTest, PathOrLineBeyondTheSizeLimitIsRefused) {
  const std::size_t limit = setSongTextLimitForTesting(8);
  const PlaylistEntry entry("/a/12345", "#EXTINF:");
  for (const PlaylistEntry& tooLong :
       {PlaylistEntry("/a/123456"), PlaylistEntry("/a", "#EXTINF:1")}) {
    try {
      CandidateIndex(listOf({entry, tooLong}), 1);
      ADD_FAILURE() << tooLong.path << " was taken";
    } catch (const err::Error& e) {
      EXPECT_STREQ(e.what(), "The valid playlist is too large (more than 4 GiB of text).");
    }
  }
  const PlayList valid = listOf({PlaylistEntry("/b/12345", "#EXTINF:"), entry, PlaylistEntry("/c")});
  expectSameSet(CandidateIndex(valid, 1).collectHere(entry, 450),
                reference::collectCandidates(valid, entry, 450), "at the limit");
  setSongTextLimitForTesting(limit);
}

CandidateSet setOf(std::initializer_list<std::pair<double, const char*>> pairs) {
  CandidateSet set;
  for (const auto& [value, path] : pairs) set.push_back({value, PlaylistEntry(path)});
  return set;
}

RepairSettings rules(bool autoSelect, int dirs, bool copyInfo) {
  RepairSettings settings;
  settings.autoSelect = autoSelect;
  settings.dirs = dirs;
  settings.copyInfo = copyInfo;
  return settings;
}

TEST(ChooseAutomaticallyTest, EmptySetAsksTheUser) {
  std::ostringstream out;
  EXPECT_EQ(chooseAutomatically(PlaylistEntry("/a/b"), {}, rules(true, 0, true), 0.1, out).outcome,
            AutoOutcome::kAskUser);
  EXPECT_EQ(out.str(), "");
}

TEST(ChooseAutomaticallyTest, ValidEntryIsSilentAndCopiesInfoOnlyWithC) {
  std::ostringstream out;
  const CandidateSet set = setOf({{0.5, "/a/b.mp3"}});
  EXPECT_EQ(chooseAutomatically(PlaylistEntry("/a/b.mp3"), set, rules(true, 0, false), 0.9, out).outcome,
            AutoOutcome::kUnchanged);
  const AutoDecision d = chooseAutomatically(PlaylistEntry("/a/b.mp3"), set, rules(true, 0, true), 0.9, out);
  EXPECT_EQ(d.outcome, AutoOutcome::kReplace);
  EXPECT_EQ(d.candidate, 0u);
  EXPECT_EQ(out.str(), "");
  // Another case is not the same path, but on Windows, where names ignore it.
  EXPECT_EQ(chooseAutomatically(PlaylistEntry("/A/b.mp3"), set, rules(false, 0, false), 0.1, out).outcome,
            kNamesIgnoreCase ? AutoOutcome::kUnchanged : AutoOutcome::kAskUser);
}

TEST(ChooseAutomaticallyTest, AutoSelectionByFileNameAndDirectories) {
  const PlaylistEntry entry("C:\\Music\\a.mp3");
  {
    std::ostringstream out;
    const CandidateSet set = setOf({{0.4, "d:\\music\\a.mp3"}});
    const AutoDecision d = chooseAutomatically(entry, set, rules(true, 0, false), 0.1, out);
    EXPECT_EQ(d.outcome, AutoOutcome::kReplace);
    EXPECT_EQ(out.str(), "Song: 'C:\\Music\\a.mp3'\nAuto: 'd:\\music\\a.mp3'\n");
    out.str("");
    EXPECT_EQ(chooseAutomatically(entry, set, rules(true, 1, false), 0.1, out).outcome,
              AutoOutcome::kAskUser);  // -e 1 needs two equal directories
    EXPECT_EQ(chooseAutomatically(entry, set, rules(false, 0, false), 0.1, out).outcome,
              AutoOutcome::kAskUser);
    EXPECT_EQ(out.str(), "");
  }
  {
    std::ostringstream out;
    const CandidateSet set = setOf({{0.6, "/other/a.mp3"}});
    EXPECT_EQ(chooseAutomatically(PlaylistEntry("/x/a.mp3"), set, rules(true, 0, false), 0.1, out).outcome,
              AutoOutcome::kAskUser);  // another parent directory
  }
  {
    std::ostringstream out;
    const CandidateSet set = setOf({{0.9, "/z/pop/b/a.mp3"}, {0.5, "/x/pop/b/a.mp3"},
                                    {0.4, "/y/pop/b/a.mp3"}, {0.3, "/x/pop/b/a.ogg"}});
    const AutoDecision d =
        chooseAutomatically(PlaylistEntry("/x/pop/b/a.mp3"), set, rules(true, 0, false), 0.1, out);
    EXPECT_EQ(d.outcome, AutoOutcome::kReplace);
    EXPECT_EQ(d.candidate, 1u);  // three equal directories beat two; ties go to the rank
    EXPECT_EQ(chooseAutomatically(PlaylistEntry("/x/pop/b/a.mp3"), set, rules(true, 2, false), 0.1, out)
                  .candidate,
              1u);
    EXPECT_EQ(chooseAutomatically(PlaylistEntry("/x/pop/b/a.mp3"), set, rules(true, 3, false), 0.1, out)
                  .outcome,
              AutoOutcome::kAskUser);
  }
}

TEST(ChooseAutomaticallyTest, MinimumRule) {
  std::ostringstream out;
  const CandidateSet set = setOf({{0.25, "/a/x.mp3"}, {0.1, "/a/y.mp3"}});
  EXPECT_EQ(chooseAutomatically(PlaylistEntry("/b/z.mp3"), set, rules(false, 0, false), 0.3, out).outcome,
            AutoOutcome::kSkipped);
  EXPECT_EQ(out.str(), "Skip: '/b/z.mp3' (best=0.25)\n");
  out.str("");
  EXPECT_EQ(chooseAutomatically(PlaylistEntry("/b/z.mp3"), set, rules(false, 0, false), 0.25, out).outcome,
            AutoOutcome::kAskUser);  // equal to the minimum is not skipped
  EXPECT_EQ(out.str(), "");
}

TEST(ChooseAutomaticallyTest, ConfidentChoiceTakesOnlyAClearBest) {
  const struct {
    const char* what;
    const char* entry;
    std::initializer_list<std::pair<double, const char*>> set;
    double ratio, minimum;
    bool autoSelect;
    AutoOutcome outcome;
    const char* dialogue;
  } cases[] = {
      {"clear best", "/old/x.mp3", {{0.5, "/new/y.mp3"}, {0.4, "/new/z.mp3"}}, 0.8, 0.1, false,
       AutoOutcome::kReplace, "Song: '/old/x.mp3'\nBest: '/new/y.mp3'\n"},
      {"close second", "/old/x.mp3", {{0.5, "/new/y.mp3"}, {0.41, "/new/z.mp3"}}, 0.8, 0.1, false,
       AutoOutcome::kAskUser, ""},
      {"tie", "/old/x.mp3", {{0.5, "/new/y.mp3"}, {0.5, "/new/z.mp3"}}, 5, 0.1, false,
       AutoOutcome::kAskUser, ""},
      {"lone candidate", "/old/x.mp3", {{0.2, "/new/y.mp3"}}, 0, 0.1, false, AutoOutcome::kReplace,
       "Song: '/old/x.mp3'\nBest: '/new/y.mp3'\n"},
      {"best at the minimum", "/old/x.mp3", {{0.2, "/new/y.mp3"}}, 0.8, 0.2, false,
       AutoOutcome::kReplace, "Song: '/old/x.mp3'\nBest: '/new/y.mp3'\n"},
      {"below the minimum", "/old/x.mp3", {{0.2, "/new/y.mp3"}}, 0.8, 0.3, false,
       AutoOutcome::kSkipped, "Skip: '/old/x.mp3' (best=0.2)\n"},
      {"a URL", "http://radio/x.mp3", {{0.5, "/new/y.mp3"}}, 0.8, 0.1, false,
       AutoOutcome::kAskUser, ""},
      {"a file:// entry", "FILE:///old/x.mp3", {{0.5, "/new/y.mp3"}}, 0.8, 0.1, false,
       AutoOutcome::kReplace, "Song: 'FILE:///old/x.mp3'\nBest: '/new/y.mp3'\n"},
      {"-a first", "/old/a/x.mp3", {{0.5, "/new/y.mp3"}, {0.1, "/n/a/x.mp3"}}, 0.8, 0.1, true,
       AutoOutcome::kReplace, "Song: '/old/a/x.mp3'\nAuto: '/n/a/x.mp3'\n"},
      {"valid entry", "/new/y.mp3", {{0.5, "/new/y.mp3"}}, 0.8, 0.1, false,
       AutoOutcome::kUnchanged, ""},
  };
  for (const auto& c : cases) {
    RepairSettings settings = rules(c.autoSelect, 0, false);
    settings.bestRatio = c.ratio;
    std::ostringstream out;
    const AutoDecision d = chooseAutomatically(PlaylistEntry(c.entry), setOf(c.set), settings,
                                               c.minimum, out);
    EXPECT_EQ(d.outcome, c.outcome) << c.what;
    EXPECT_EQ(out.str(), c.dialogue) << c.what;
    if (d.outcome == AutoOutcome::kReplace && c.autoSelect) {
      EXPECT_EQ(d.candidate, 1u) << c.what;
    }
  }
}

// -i comes after -a and before -b and the minimum; it takes a song that is
// no candidate at all, whatever its value, but never for a URL or a valid
// entry.
TEST(ChooseAutomaticallyTest, SameSongRuleOrder) {
  SongList songs("valid.m3u");
  songs.add("/new/Band - Album (1999)/1-02 Song.flac", std::string_view("#EXTINF:200,Band - Song"));
  songs.add("/new/Band/Album/03 Other.mp3", std::string_view("#EXTINF:100,Band - Other"));
  const IdentityIndex identities(songs);
  const CandidateSet set = setOf({{0.05, "/new/Band/Album/03 Other.mp3"}, {0.01, "/x/02 Song.mp3"}});
  const struct {
    const char* what;
    const char* entry;
    bool autoSelect, sameSong;
    AutoOutcome outcome;
    const char* dialogue;
  } cases[] = {
      {"below the minimum, no candidate", "/old/Band/Album/02 Song.mp3", false, true, AutoOutcome::kReplace,
       "Song: '/old/Band/Album/02 Song.mp3'\nSame: '/new/Band - Album (1999)/1-02 Song.flac'\n"},
      {"without -i", "/old/Band/Album/02 Song.mp3", false, false, AutoOutcome::kSkipped,
       "Skip: '/old/Band/Album/02 Song.mp3' (best=0.05)\n"},
      {"-a first", "/old/x/02 Song.mp3", true, true, AutoOutcome::kReplace,
       "Song: '/old/x/02 Song.mp3'\nAuto: '/x/02 Song.mp3'\n"},
      {"a URL", "http://host/Band/Album/02 Song.mp3", false, true, AutoOutcome::kSkipped,
       "Skip: 'http://host/Band/Album/02 Song.mp3' (best=0.05)\n"},
      {"a valid entry", "/new/Band/Album/03 Other.mp3", false, true, AutoOutcome::kUnchanged, ""},
  };
  for (const auto& c : cases) {
    RepairSettings settings = rules(c.autoSelect, 0, false);
    settings.sameSong = c.sameSong;
    settings.bestRatio = 0.5;
    std::ostringstream out;
    const PlaylistEntry entry(c.entry, "#EXTINF:201,Band - Song");
    const AutoDecision d = chooseAutomatically(entry, set, settings, 0.1, out, &identities);
    EXPECT_EQ(d.outcome, c.outcome) << c.what;
    EXPECT_EQ(out.str(), c.dialogue) << c.what;
    if (d.song) {
      EXPECT_EQ(d.chosen(set).position, 0u) << c.what;
    }
  }
}

// With -i, -a and -b pass over a candidate whose line shows another song
// (another title, or a length more than 2 s away); without -i they do not.
TEST(ChooseAutomaticallyTest, SameSongGuardsAutoAndBest) {
  const struct {
    const char* what;
    const char* entryLine;
    bool autoSelect, sameSong;
    const char* dialogue;
  } cases[] = {
      {"-a passes over another length", "#EXTINF:70,Jonas Vik - Intro", true, true,
       "Song: '/old/Jonas Vik/Live/01 Intro.mp3'\nAuto: '/new/Jonas/Live/01 Intro.mp3'\n"},
      {"-a without -i", "#EXTINF:70,Jonas Vik - Intro", true, false,
       "Song: '/old/Jonas Vik/Live/01 Intro.mp3'\nAuto: '/new/Other/Live/01 Intro.mp3'\n"},
      {"-b: the best has another length", "#EXTINF:75,Jonas Vik - Intro", false, true, ""},
      {"-b: the best has another title", "#EXTINF:62,Other - Intro (Remastered)", false, true, ""},
      {"-b: a title read from the file name", "#EXTINF:0,01 Intro (Remastered).mp3", false, true,
       "Song: '/old/Jonas Vik/Live/01 Intro.mp3'\nBest: '/new/Other/Live/01 Intro.mp3'\n"},
      {"-b without -i", "#EXTINF:75,Jonas Vik - Intro", false, false,
       "Song: '/old/Jonas Vik/Live/01 Intro.mp3'\nBest: '/new/Other/Live/01 Intro.mp3'\n"},
  };
  CandidateSet set;
  set.push_back({0.6, PlaylistEntry("/new/Other/Live/01 Intro.mp3", "#EXTINF:62,Other - Intro")});
  set.push_back({0.3, PlaylistEntry("/new/Jonas/Live/01 Intro.mp3", "#EXTINF:70,Jonas Vik - Intro")});
  for (const auto& c : cases) {
    RepairSettings settings = rules(c.autoSelect, 0, false);
    settings.sameSong = c.sameSong;
    settings.bestRatio = 0.6;
    std::ostringstream out;
    const PlaylistEntry entry("/old/Jonas Vik/Live/01 Intro.mp3", c.entryLine);
    const AutoDecision d = chooseAutomatically(entry, set, settings, 0.1, out);
    EXPECT_EQ(out.str(), c.dialogue) << c.what;
    EXPECT_EQ(d.outcome, *c.dialogue ? AutoOutcome::kReplace : AutoOutcome::kAskUser) << c.what;
  }
}

TEST(ApplyReplacementTest, PathAndInfoRules) {
  RepairStatistics stats;
  PlaylistEntry entry("/old/a.mp3", "#EXTINF:1,old");
  applyReplacement(entry, PlaylistEntry("/new/a.mp3", "#EXTINF:1,new"), true, stats);
  EXPECT_EQ(entry.path, "/new/a.mp3");
  EXPECT_EQ(*entry.extInfo, "#EXTINF:1,old");  // -k keeps an own line
  EXPECT_EQ(stats.correctedEntries, 1);
  EXPECT_EQ(stats.correctedInfos, 0);
  applyReplacement(entry, PlaylistEntry("/new/a.mp3", "#EXTINF:1,new"), false, stats);
  EXPECT_EQ(*entry.extInfo, "#EXTINF:1,new");
  EXPECT_EQ(stats.correctedEntries, 1);
  EXPECT_EQ(stats.correctedInfos, 1);
  applyReplacement(entry, PlaylistEntry("/new/a.mp3", "#EXTINF:1,new"), false, stats);
  EXPECT_EQ(stats.correctedInfos, 1);  // same line: nothing counted
  applyReplacement(entry, PlaylistEntry("/b.mp3"), false, stats);
  EXPECT_EQ(*entry.extInfo, "#EXTINF:1,new");  // a candidate without a line leaves it
  PlaylistEntry bare("/b.mp3");
  bare.deleted = true;
  applyReplacement(bare, PlaylistEntry("/b.mp3", "#EXTINF:2,b"), true, stats);
  EXPECT_EQ(*bare.extInfo, "#EXTINF:2,b");  // -k only protects an own line
  EXPECT_TRUE(bare.deleted);
  EXPECT_EQ(stats.correctedEntries, 2);
  EXPECT_EQ(stats.correctedInfos, 2);
}

std::string survivors(const PlayList& list) {
  std::string s;
  for (const PlaylistEntry& e : list.entries) s += e.deleted ? '-' : '+';
  return s;
}

TEST(RemoveDuplicateEntriesTest, SurvivorRules) {
  PlayList a = listOf({PlaylistEntry("/x"), PlaylistEntry("/x", "#i")});
  EXPECT_EQ(removeDuplicateEntries(a), 1);
  EXPECT_EQ(survivors(a), "-+");
  PlayList b = listOf({PlaylistEntry("/x", "#i"), PlaylistEntry("/x")});
  EXPECT_EQ(removeDuplicateEntries(b), 1);
  EXPECT_EQ(survivors(b), "+-");
  PlayList c = listOf({PlaylistEntry("/x"), PlaylistEntry("/x"), PlaylistEntry("/y"),
                       PlaylistEntry("/x")});
  EXPECT_EQ(removeDuplicateEntries(c), 2);
  EXPECT_EQ(survivors(c), "--++");
  PlayList d = listOf({PlaylistEntry("/x", "#1"), PlaylistEntry("/x", "#2"), PlaylistEntry("/X")});
  EXPECT_EQ(removeDuplicateEntries(d), kNamesIgnoreCase ? 2 : 1);  // "/X" is "\\x" on Windows
  EXPECT_EQ(survivors(d), kNamesIgnoreCase ? "+--" : "+-+");
  PlayList e = listOf({PlaylistEntry("/x"), PlaylistEntry("/x", "#1"), PlaylistEntry("/x"),
                       PlaylistEntry("/x", "#2")});
  e.entries[1].deleted = true;
  EXPECT_EQ(removeDuplicateEntries(e), 2);
  EXPECT_EQ(survivors(e), "---+");
  EXPECT_EQ(removeDuplicateEntries(e), 0);
}

}  // namespace
}  // namespace kw
