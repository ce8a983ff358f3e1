#include "repair/candidates.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <exception>
#include <functional>
#include <locale>
#include <memory>
#include <numeric>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "Lib/kw/err/error.h"
#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/parallel.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "playlist/numbers.h"
#include "playlist/path_forms.h"
#include "repair/name_match.h"

namespace kw {

// The scoring of one entry against the whole index on the calling thread,
// in list order. Once the set is full, a cheap bound computed for a block of
// 64 songs at once skips every song that cannot beat its smallest value.
class CandidateIndex::Scorer {
  class LengthBounds;

 public:
  Scorer(const CandidateIndex& index, const PlaylistEntry& entry, std::size_t limit)
      : index_(index),
        limit_(limit),
        path_(lowerCased(entry.path)),
        info_(entry.extInfo ? lowerCased(*entry.extInfo) : std::string()),
        hasInfo_(entry.extInfo != nullptr),
        pathScorer_(path_, true),
        infoScorer_(info_, true),
        pathScratch_(pathScorer_),
        infoScratch_(infoScorer_) {
    set_.reserve(std::min(limit, index.songs_->size()) + 1);
  }

  // Whether some song other than `position` reaches its value. Most songs
  // are ruled out a group of equal lengths at a time by the lengths of their
  // text alone (LengthBounds); the lengths, the bounds of their gram block
  // and then the exact value judge the songs of the other groups one by one.
  bool reached(std::size_t position) {
    const double own = exactValue(position);
    LengthBounds pathLength(pathScorer_, path_), infoLength(infoScorer_, info_);
    for (const LengthGroup& group : index_.lengthGroups()) {
      // A text of the entry's length counts as equal to it here: its songs
      // are judged one by one.
      const std::optional<std::size_t> lineLength =
          group.infoLength >= 0 ? std::optional(static_cast<std::size_t>(group.infoLength)) : std::nullopt;
      const std::uint64_t infoSum = hasInfo_ && lineLength ? infoLength.sum(*lineLength) : 0;
      if (valueOfSums(pathLength.sum(group.pathLength), group.pathLength, infoSum, lineLength) < own) continue;
      for (std::size_t g = group.first; g < group.first + group.count; ++g) {
        const std::size_t k = index_.byLength_[g];
        if (k != position && songReaches(k, own, pathLength, infoLength)) return true;
      }
    }
    return false;
  }

  CandidateSet run() {
    if (limit_ == 0) return {};
    const std::size_t songs = index_.songs_->size();
    for (std::size_t begin = 0; begin < songs; begin += GramBlock::kLanes)
      scoreGramBlock(begin / GramBlock::kLanes, std::min(songs, begin + GramBlock::kLanes));
    CandidateSet result;
    result.reserve(set_.size());
    for (const Ranked& r : set_) result.push_back({r.value, index_.songs_->entry(r.item), r.item});
    return result;
  }

 private:
  // The scorers fold the case of the songs' text as they read it.
  double exactValue(std::size_t k) {
    const SongList& songs = *index_.songs_;
    double value = pathScorer_.similarity(songs.path(k), pathScratch_);
    if (hasInfo_ && songs.hasInfo(k)) value += infoScorer_.similarity(songs.info(k), infoScratch_);
    return value;
  }

  // Division and addition round monotonically, so the bound computed the
  // same way as the value is not below it. `infoLength` none: no line.
  double valueOfSums(std::uint64_t pathSum, std::size_t pathLength, std::uint64_t infoSum,
                     std::optional<std::size_t> infoLength) const {
    double bound = pathScorer_.ratio(pathSum, pathLength);
    if (hasInfo_ && infoLength) bound += infoScorer_.ratio(infoSum, *infoLength);
    return bound;
  }

  double boundValue(std::size_t k, std::uint64_t pathSum, std::uint64_t infoSum) const {
    const SongList& songs = *index_.songs_;
    return valueOfSums(pathSum, songs.path(k).size(), infoSum,
                       songs.hasInfo(k) ? std::optional(songs.info(k).size()) : std::nullopt);
  }

  // The bounds of every song of gram block `block` at once.
  void boundBlock(std::size_t block, std::uint64_t (&pathSums)[GramBlock::kLanes],
                  std::uint64_t (&infoSums)[GramBlock::kLanes]) {
    pathScorer_.blockBounds(index_.pathGrams_.block(block), pathBound_, pathSums);
    if (hasInfo_) infoScorer_.blockBounds(index_.infoGrams_.block(block), infoBound_, infoSums);
  }

  // Songs of one gram block, each offered as soon as it is scored, so the
  // next one meets the set as it really is: until the set is full every
  // value goes in; then bounds for all 64 at once, and exact values only for
  // the songs the bounds cannot rule out.
  void scoreGramBlock(std::size_t gramBlock, std::size_t end) {
    const std::size_t begin = gramBlock * GramBlock::kLanes;
    std::uint64_t pathSums[GramBlock::kLanes], infoSums[GramBlock::kLanes] = {};
    bool bounded = false;
    for (std::size_t k = begin; k < end; ++k) {
      if (set_.size() < limit_) {
        offer(exactValue(k), k);
        continue;
      }
      if (!bounded) {
        boundBlock(gramBlock, pathSums, infoSums);
        bounded = true;
      }
      const double threshold = set_.back().value;
      if (boundValue(k, pathSums[k - begin], infoSums[k - begin]) <= threshold) continue;
      if (const std::optional<double> value = refinedValue(k, pathSums[k - begin], threshold))
        offer(*value, k);
    }
  }

  // Whether song `k` reaches `own`: its lengths, with its text compared to
  // the entry's where they are as long, then its block's bounds, then its
  // exact value.
  bool songReaches(std::size_t k, double own, LengthBounds& pathLength, LengthBounds& infoLength) {
    const SongList& list = *index_.songs_;
    const std::uint64_t infoSum = hasInfo_ && list.hasInfo(k) ? infoLength.sum(list.info(k)) : 0;
    if (boundValue(k, pathLength.sum(list.path(k)), infoSum) < own) return false;
    const std::size_t block = k / GramBlock::kLanes, lane = k % GramBlock::kLanes;
    if (block != boundedBlock_) {
      boundBlock(block, pathSums_, infoSums_);
      boundedBlock_ = block;
    }
    return boundValue(k, pathSums_[lane], infoSums_[lane]) >= own && exactValue(k) >= own;
  }

  // The exact value, or none when the exact line value with the path's
  // bound already cannot beat the threshold: the line is the shorter
  // string, so this spares the dearer path score.
  std::optional<double> refinedValue(std::size_t k, std::uint64_t pathSum, double threshold) {
    const SongList& songs = *index_.songs_;
    if (!hasInfo_ || !songs.hasInfo(k)) return exactValue(k);
    const double info = infoScorer_.similarity(songs.info(k), infoScratch_);
    double value = pathScorer_.ratio(pathSum, songs.path(k).size());
    value += info;
    if (value <= threshold) return std::nullopt;
    value = pathScorer_.similarity(songs.path(k), pathScratch_);
    value += info;
    return value;
  }

  // The set is kept in ranked order, so a newcomer, usually just above the
  // smallest value, moves few pairs, and the tied bottom leaves from the end.
  void offer(double value, std::size_t k) {
    if (set_.size() >= limit_ && !(value > set_.back().value)) return;
    // Among equal values the later item ranks first: before all of them.
    const auto at = std::partition_point(set_.begin(), set_.end(),
                                         [&](const Ranked& r) { return r.value > value; });
    set_.insert(at, {value, k});
    if (set_.size() > limit_) {
      const double smallest = set_.back().value;
      while (set_.back().value == smallest) set_.pop_back();
    }
  }

  // SimilarityScorer::lengthBound of one scorer for the lengths met, each
  // computed once.
  class LengthBounds {
   public:
    LengthBounds(const SimilarityScorer& scorer, std::string_view lowered)
        : scorer_(scorer),
          lowered_(lowered),
          occurrences_(scorer.mostOccurrences()),
          bounds_(lowered.size() + 2, kUnknown) {}

    // The bound for `text` (as it stands; compared lowered); a text of the
    // scorer's length that is not the scorer's text takes the lower bound.
    std::uint64_t sum(std::string_view text) {
      if (text.size() == lowered_.size() && !equalsIgnoringCase(text, lowered_)) {
        if (unequal_ == kUnknown) unequal_ = scorer_.lengthBound(occurrences_, text.size(), false);
        return unequal_;
      }
      return sum(text.size());
    }

    // The bound for any text of length `m`.
    std::uint64_t sum(std::size_t m) {
      std::uint64_t& bound = bounds_[std::min(m, lowered_.size() + 1)];
      if (bound == kUnknown) bound = scorer_.lengthBound(occurrences_, m);
      return bound;
    }

   private:
    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};

    const SimilarityScorer& scorer_;
    const std::string_view lowered_;
    const std::vector<std::int32_t> occurrences_;
    std::vector<std::uint64_t> bounds_;  // by length; the last slot for every length above the scorer's
    std::uint64_t unequal_ = kUnknown;
  };

  using LengthGroup = CandidateIndex::LengthGroup;

  const CandidateIndex& index_;
  const std::size_t limit_;
  const std::string path_, info_;
  const bool hasInfo_;
  const SimilarityScorer pathScorer_, infoScorer_;
  SimilarityScorer::Scratch pathScratch_, infoScratch_;
  SimilarityScorer::BoundScratch pathBound_, infoBound_;
  struct Ranked {
    double value;
    std::size_t item;
  };
  std::vector<Ranked> set_;  // ranked: descending, ties later item first
  // The bounds of one gram block for songReaches.
  std::size_t boundedBlock_ = ~std::size_t{0};
  std::uint64_t pathSums_[GramBlock::kLanes] = {}, infoSums_[GramBlock::kLanes] = {};
};

CandidateIndex::CandidateIndex(const SongList& songs, unsigned threads)
    : songs_(&songs), threads_(threads != 0 ? threads : sys_dep::hardwareThreads()) {
  buildGrams();
}

CandidateIndex::CandidateIndex(const PlayList& validList, unsigned threads)
    : owned_(std::make_unique<SongList>(validList)),
      songs_(owned_.get()),
      threads_(threads != 0 ? threads : sys_dep::hardwareThreads()) {
  buildGrams();
}

CandidateIndex::~CandidateIndex() = default;

// Grams of the lowered text, as the scorers compare it.
void CandidateIndex::buildGrams() {
  const std::size_t blocks = (songs_->size() + GramBlock::kLanes - 1) / GramBlock::kLanes;
  pathGrams_ = GramBlockColumns(blocks);
  infoGrams_ = GramBlockColumns(blocks);
  GramBlock pathBlock, infoBlock;  // the block being filled
  for (std::size_t k = 0; k < songs_->size(); ++k) {
    const std::size_t lane = k % GramBlock::kLanes;
    pathBlock.add(lane, lowerCased(songs_->path(k)));
    if (songs_->hasInfo(k)) infoBlock.add(lane, lowerCased(songs_->info(k)));
    if (lane + 1 == GramBlock::kLanes || k + 1 == songs_->size()) {
      pathGrams_.set(k / GramBlock::kLanes, pathBlock);
      infoGrams_.set(k / GramBlock::kLanes, infoBlock);
      pathBlock = GramBlock();
      infoBlock = GramBlock();
    }
  }
}

CandidateSet CandidateIndex::collectHere(const PlaylistEntry& entry, std::size_t limit) const {
  return Scorer(*this, entry, limit).run();
}

const std::vector<CandidateIndex::LengthGroup>& CandidateIndex::lengthGroups() const {
  std::call_once(lengthGroupsBuilt_, [&] {
    const auto lengthsOf = [&](std::uint32_t k) {
      return std::pair(songs_->path(k).size(), songs_->hasInfo(k) ? static_cast<std::int64_t>(songs_->info(k).size())
                                                                  : std::int64_t{-1});
    };
    byLength_.resize(songs_->size());
    std::iota(byLength_.begin(), byLength_.end(), std::uint32_t{0});
    std::sort(byLength_.begin(), byLength_.end(),
              [&](std::uint32_t x, std::uint32_t y) { return lengthsOf(x) < lengthsOf(y); });
    for (std::size_t g = 0; g < byLength_.size(); ++g) {
      const auto [path, info] = lengthsOf(byLength_[g]);
      if (g == 0 || lengthsOf(byLength_[g - 1]) != lengthsOf(byLength_[g]))
        lengthGroups_.push_back({static_cast<std::uint32_t>(path), static_cast<std::int32_t>(info), g, 0});
      ++lengthGroups_.back().count;
    }
  });
  return lengthGroups_;
}

bool CandidateIndex::ranksFirstAlone(const PlaylistEntry& entry, std::size_t position) const {
  return !Scorer(*this, entry, 1).reached(position);
}

// Sets are handed out one entry at a time, so threads that draw short
// entries take more of them; each slot is written by one thread only.
std::vector<CandidateSet> CandidateIndex::collectEach(std::span<const PlaylistEntry> entries,
                                                      std::size_t limit) const {
  std::vector<CandidateSet> sets(entries.size());
  std::vector<std::exception_ptr> errors(entries.size());
  std::atomic<std::size_t> next{0};
  const auto wanted = static_cast<unsigned>(std::min<std::size_t>(threads_, entries.size()));
  sys_dep::runInParallel(wanted, [&](unsigned) {
    for (std::size_t k; (k = next.fetch_add(1)) < entries.size();) {
      try {
        sets[k] = collectHere(entries[k], limit);
      } catch (...) {
        errors[k] = std::current_exception();
      }
    }
  });
  for (const std::exception_ptr& error : errors)
    if (error) std::rethrow_exception(error);
  return sets;
}

CandidateSet collectCandidates(const PlayList& validList, const PlaylistEntry& entry,
                               std::size_t limit) {
  return CandidateIndex(validList, 1).collectHere(entry, limit);
}

namespace {

// The -a rule: the candidate with the same file name and the most equal
// folder names (at least one, more than `dirs`), ties to the higher rank,
// passing over those `ruledOut` names.
std::optional<std::size_t> sameNameCandidate(const std::string& path, const CandidateSet& candidates, int dirs,
                                             const std::function<bool(const Candidate&)>& ruledOut) {
  int bestDirs = 0;
  std::optional<std::size_t> chosen;
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    int equalDirs = 0;
    if (sameFileName(path, candidates[k].entry.path, equalDirs) && equalDirs > bestDirs && equalDirs > dirs &&
        !ruledOut(candidates[k])) {
      chosen = k;
      bestDirs = equalDirs;
    }
  }
  return chosen;
}

// The -b rule: a best candidate that reaches the minimum and stands clearly
// above the second (a tie never does, whatever the ratio).
bool clearlyBest(const CandidateSet& candidates, double ratio, double minMatch) {
  const double best = candidates.front().value;
  const double second = candidates.size() > 1 ? candidates[1].value : 0.0;
  return best >= minMatch && second < best && second <= ratio * best;
}

// The -i rule: the only validList song that is the same song as the entry,
// which need not be among its candidates.
std::optional<Candidate> sameSongCandidate(const RuleEntry& entry) {
  const std::optional<std::size_t> song = entry.identities->onlySameSong(entry.compared);
  if (!song) return std::nullopt;
  const PlaylistEntry chosen = entry.identities->songs().entry(*song);
  return Candidate{matchValue(entry.compared, chosen), chosen, *song};
}

void announce(std::ostream& dialogue, const RuleEntry& entry, const char* rule,
              const Candidate& chosen) {
  dialogue << "Song: '" << err::shown(entry.writtenPath) << "'\n"
           << rule << ": '" << err::shown(entry.replacementPath(chosen)) << "'\n";
}

}  // namespace

AutoDecision chooseAutomatically(const RuleEntry& entry, const CandidateSet& candidates,
                                 const RepairSettings& settings, double minMatch,
                                 std::ostream& dialogue) {
  if (candidates.empty()) return {AutoOutcome::kAskUser, 0};
  const Candidate& best = candidates.front();
  if (sys_dep::samePath(best.entry.path, entry.compared.path))
    return {settings.copyInfo ? AutoOutcome::kReplace : AutoOutcome::kUnchanged, 0};
  // With -i, what -a and -b take by its path must not be another song by
  // what is known of it.
  std::optional<SongIdentity> identity;
  const auto contradicted = [&](const Candidate& c) {
    if (!settings.sameSong) return false;
    if (!identity) identity = identityOf(entry.compared);
    return contradicts(*identity, identityOf(c.entry));
  };
  if (settings.autoSelect) {
    if (const auto chosen = sameNameCandidate(entry.compared.path, candidates, settings.dirs, contradicted)) {
      announce(dialogue, entry, "Auto", candidates[*chosen]);
      return {AutoOutcome::kReplace, *chosen};
    }
  }
  if (settings.sameSong && entry.identities && !isUrl(entry.writtenPath)) {
    if (std::optional<Candidate> same = sameSongCandidate(entry)) {
      announce(dialogue, entry, "Same", *same);
      return {AutoOutcome::kReplace, 0, std::move(same)};
    }
  }
  // No ranking of library paths can be confident about a URL.
  if (settings.bestRatio && !isUrl(entry.writtenPath) &&
      clearlyBest(candidates, *settings.bestRatio, minMatch) && !contradicted(best)) {
    announce(dialogue, entry, "Best", best);
    return {AutoOutcome::kReplace, 0};
  }
  if (best.value < minMatch) {
    dialogue << "Skip: '" << err::shown(entry.writtenPath) << "' (best=" << formatValue(best.value) << ")\n";
    return {AutoOutcome::kSkipped, 0};
  }
  return {AutoOutcome::kAskUser, 0};
}

AutoDecision chooseAutomatically(const PlaylistEntry& entry, const CandidateSet& candidates,
                                 const RepairSettings& settings, double minMatch,
                                 std::ostream& dialogue, const IdentityIndex* identities) {
  const RuleEntry asWritten{entry, entry.path, [](const Candidate& c) { return c.entry.path; }, identities};
  return chooseAutomatically(asWritten, candidates, settings, minMatch, dialogue);
}

void applyReplacement(PlaylistEntry& entry, const PlaylistEntry& chosen, bool keepInfo,
                      RepairStatistics& statistics) {
  if (chosen.path != entry.path) {
    entry.path = chosen.path;
    ++statistics.correctedEntries;
  }
  if (entry.extInfo && keepInfo) return;
  if (chosen.extInfo && (!entry.extInfo || *entry.extInfo != *chosen.extInfo)) {
    entry.extInfo = std::make_unique<std::string>(*chosen.extInfo);
    ++statistics.correctedInfos;
  }
}

// Entries with different paths never meet in the pairwise walk, so it runs
// group by group of equal paths, in list order within each group.
int removeDuplicateEntries(PlayList& playlist) {
  auto& entries = playlist.entries;
  std::vector<std::string> folded(entries.size());  // stays empty where names compare as bytes
  std::unordered_map<std::string_view, std::vector<std::size_t>> groups;
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (!entries[k].deleted) groups[sys_dep::comparedName(entries[k].path, folded[k])].push_back(k);
  int count = 0;
  for (const auto& [path, members] : groups) {
    for (std::size_t x = 0; x < members.size(); ++x) {
      PlaylistEntry& first = entries[members[x]];
      for (std::size_t y = x + 1; y < members.size() && !first.deleted; ++y) {
        PlaylistEntry& second = entries[members[y]];
        if (second.deleted) continue;
        (first.extInfo ? second : first).deleted = true;
        ++count;
      }
    }
  }
  return count;
}

// The "%g" form with six significant digits that a default stream gives,
// without a stream: nothing to allocate, so nothing can fail half-way.
std::string formatValue(double value) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
  return std::string(digits, result.ptr);
}

}  // namespace kw
