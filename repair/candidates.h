// Replacement candidates for an entry of an invalid playlist, the rules that
// settle an entry without asking, and the changes a replacement makes.
#ifndef REPAIR_CANDIDATES_H_
#define REPAIR_CANDIDATES_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/song_list.h"
#include "repair/identity.h"
#include "repair/similarity.h"

namespace kw {

// A validList song offered as a replacement: its match value, a copy of the
// entry (independent of the validList) and its position in the validList.
struct Candidate {
  double value;
  PlaylistEntry entry;
  std::size_t position = 0;
};

// Candidates in ranked order: highest value first; among equal values the
// entry standing later in the validList first.
using CandidateSet = std::vector<Candidate>;

// The limit the repair uses.
constexpr std::size_t kCandidateLimit = 450;

// The validList prepared once for scoring many entries against it: the
// byte, pair and triple sets of its songs' lowered paths and lines side by
// side (about 320 bytes per song); the text itself is read from the
// SongList, its case folded while it is scored. One entry is scored on one
// thread; `threads` workers share out many (0: one per hardware thread).
// Results never depend on `threads`.
class CandidateIndex {
 public:
  // Keeps a pointer to `songs`, which must outlive the index unchanged.
  explicit CandidateIndex(const SongList& songs, unsigned threads = 0);
  // An index of its own copy of `validList`'s songs. Throws what
  // SongList(validList) throws.
  explicit CandidateIndex(const PlayList& validList, unsigned threads = 0);
  ~CandidateIndex();

  // The candidate set of `entry` against every validList entry (deleted ones
  // included), in validList order: while the set holds fewer than `limit`
  // pairs each value goes in; once full, only a value strictly above the
  // smallest one, after which every pair tied at the smallest value leaves.
  // Same result as matchValue computed for each pair in turn. Scored on the
  // calling thread; safe to call from several threads at once.
  CandidateSet collectHere(const PlaylistEntry& entry, std::size_t limit = kCandidateLimit) const;

  // The candidate sets of many entries: set k is collectHere(entries[k],
  // limit), the entries spread over `threads` threads (the calling one
  // included), each scored by one thread. An exception thrown for an entry
  // is rethrown here once all threads are done (that of the first such
  // entry in list order).
  std::vector<CandidateSet> collectEach(std::span<const PlaylistEntry> entries,
                                        std::size_t limit = kCandidateLimit) const;

  // Whether the song at `position` ranks first for `entry` on its own: every
  // other song's value is strictly below its value, so that any
  // collectHere(entry, limit) with a limit above 0 starts with it. False
  // when another song ties with it or beats it. Most songs are ruled out by
  // the lengths of their path and line alone (SimilarityScorer::lengthBound),
  // the rest by their gram block's bounds or exact values, so this costs a
  // small part of collectHere. Safe to call from several threads at once.
  bool ranksFirstAlone(const PlaylistEntry& entry, std::size_t position) const;

  unsigned threads() const { return threads_; }

 private:
  class Scorer;
  void buildGrams();

  // Songs of equal path and line lengths (-1: no line), for ranksFirstAlone:
  // `count` positions of byLength_ from `first` on.
  struct LengthGroup {
    std::uint32_t pathLength;
    std::int32_t infoLength;
    std::size_t first, count;
  };
  const std::vector<LengthGroup>& lengthGroups() const;

  std::unique_ptr<const SongList> owned_;
  const SongList* songs_;
  unsigned threads_;
  // Gram sets of songs 64k .. 64k + 63 in block k (lines: empty lanes for
  // songs without one).
  GramBlockColumns pathGrams_, infoGrams_;
  // Built on the first ranksFirstAlone (4 bytes a song).
  mutable std::once_flag lengthGroupsBuilt_;
  mutable std::vector<LengthGroup> lengthGroups_;
  mutable std::vector<std::uint32_t> byLength_;
};

// CandidateIndex(validList).collectHere(entry, limit), for single calls.
CandidateSet collectCandidates(const PlayList& validList, const PlaylistEntry& entry,
                               std::size_t limit = kCandidateLimit);

// Per-playlist counters of the repair.
struct RepairStatistics {
  int correctedEntries = 0;
  int correctedInfos = 0;
  int deletedEntries = 0;
  int deletedDupes = 0;
};

// What the user switched on for the repair.
struct RepairSettings {
  bool removeDupes = false;  // -d: mark duplicate entries deleted before and after
  bool autoSelect = false;   // -a: take a candidate with the same file name
  int dirs = 0;              // -e: autoSelect needs more equal folder names than this
  bool copyInfo = false;     // -c: a valid entry takes its twin's information line
  bool keepInfo = false;     // -k: a replaced entry keeps its own information line
  double minMatch = 0.1;     // -s: skip an entry whose best value is below this
  // -b: take the best candidate without asking when the second best is
  // strictly below it and at most this share of it.
  std::optional<double> bestRatio;
  // -i: take the only song with the same title, artist and length.
  bool sameSong = false;
  // An entry whose path is a validList song that ranks first on its own is
  // settled without ranking the library (the outcome is the same); off only
  // to compare the two (tests, benchmark).
  bool settleListed = true;
};

enum class AutoOutcome { kUnchanged, kReplace, kSkipped, kAskUser };

struct AutoDecision {
  AutoOutcome outcome;
  std::size_t candidate;  // ranked position; meaningful for kReplace without `song`
  // kReplace by the -i rule: the song taken, which need not be a candidate.
  std::optional<Candidate> song = std::nullopt;

  // The candidate a kReplace decision takes.
  const Candidate& chosen(const CandidateSet& candidates) const {
    return song ? *song : candidates[candidate];
  }
};

// The entry the automatic rules decide about. `compared` is the entry as it
// was ranked: its path as the rules compare it (a relative path resolved, a
// file:// URI decoded). Messages name it by `writtenPath`, its path in the
// playlist, and a candidate by `replacementPath`, the path it would be
// written with there. `identities` are the validList's songs by identity
// (IdentityIndex over the songs the candidates come from), for the -i rule;
// without them the rule takes nothing.
struct RuleEntry {
  const PlaylistEntry& compared;
  const std::string& writtenPath;
  std::function<std::string(const Candidate&)> replacementPath;
  const IdentityIndex* identities = nullptr;
};

// Settles what the options allow without asking, in this order: an empty set
// asks the user; an entry whose path equals the best candidate's (byte for
// byte; on Windows ignoring letter case, sys_dep::samePath) is unchanged
// (replaced by it with copyInfo); with autoSelect the
// candidate with the same file name and the most equal directory names (at
// least one and more than dirs; ties to the higher rank; with sameSong none
// that contradicts the entry, see repair/identity.h) replaces it,
// announced as "Song: '<path>'\n" "Auto: '<path>'\n"; with sameSong an
// entry that is no URL (other than file://) takes the song that
// IdentityIndex::onlySameSong gives, announced as "Song: '<path>'\n"
// "Same: '<path>'\n" (whatever its match value); with bestRatio an
// entry that is no URL (other than file://) takes the best candidate when
// its value is at least `minMatch` and the second value (0 without one) is
// strictly below it and at most bestRatio times it (with sameSong, and when
// it does not contradict the entry), announced as
// "Song: '<path>'\n" "Best: '<path>'\n"; a best value below `minMatch`
// skips it with "Skip: '<path>' (best=<value>)\n"; otherwise the user is
// asked. `minMatch` is the current minimum (the settings' value or the one
// set in the dialogue). Messages go to `dialogue`.
AutoDecision chooseAutomatically(const RuleEntry& entry, const CandidateSet& candidates,
                                 const RepairSettings& settings, double minMatch,
                                 std::ostream& dialogue = std::cerr);

// The same for an entry compared and written as it stands.
AutoDecision chooseAutomatically(const PlaylistEntry& entry, const CandidateSet& candidates,
                                 const RepairSettings& settings, double minMatch,
                                 std::ostream& dialogue = std::cerr,
                                 const IdentityIndex* identities = nullptr);

// Gives `entry` the path of `chosen` (counted in correctedEntries when it
// differs) and its extInfo line (counted in correctedInfos when the entry's
// was missing or different; not when `chosen` has none, nor when `keepInfo`
// and the entry has its own). The deleted mark stays.
void applyReplacement(PlaylistEntry& entry, const PlaylistEntry& chosen, bool keepInfo,
                      RepairStatistics& statistics);

// Marks deleted all but one of each group of not-deleted entries with equal
// paths (byte for byte; on Windows ignoring letter case and the kind of
// separator, sys_dep::comparedName): the survivor is the first with an
// extInfo line, or the last when none has one. Returns how many it marked.
int removeDuplicateEntries(PlayList& playlist);

// `value` in the default formatting of a double (six significant digits),
// independent of the state of any caller's stream.
std::string formatValue(double value);

}  // namespace kw

#endif  // REPAIR_CANDIDATES_H_
