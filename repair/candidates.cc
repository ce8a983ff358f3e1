#include "repair/candidates.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <exception>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "Lib/kw/err/error.h"
#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/huge_buffer.h"
#include "Lib/kw/sys_dep/parallel.h"
#include "playlist/numbers.h"
#include "playlist/path_forms.h"
#include "repair/name_match.h"

namespace kw {
namespace {

// Pairs scored by one worker between two looks at the shared progress; a
// whole number of gram blocks. Small, because the threshold a worker sees
// lags behind the merge by about this much.
constexpr std::size_t kBlockSize = 2 * GramBlock::kLanes;
constexpr double kNoThreshold = -std::numeric_limits<double>::infinity();

}  // namespace

// The scoring of one entry against the whole index. Workers score blocks of
// validList entries in any order; the calling thread merges the blocks
// strictly in list order. A worker may skip an exact score when the cheap
// bound shows the pair cannot beat the smallest value of the full set as last
// published; the merge re-checks each skipped pair against the set as it
// really is at that point and scores it after all when it might enter, so
// the result is the one of a sequential run whatever the timing.
class CandidateIndex::Collector {
 public:
  Collector(const CandidateIndex& index, const PlaylistEntry& entry, std::size_t limit,
            unsigned threads)
      : index_(index),
        limit_(limit),
        threads_(std::max(1u, threads)),
        path_(lowerCased(entry.path)),
        info_(entry.extInfo ? lowerCased(*entry.extInfo) : std::string()),
        hasInfo_(entry.extInfo != nullptr),
        pathScorer_(path_, true),
        infoScorer_(info_, true),
        slots_(index.songs_->size()),
        blockCount_((index.songs_->size() + kBlockSize - 1) / kBlockSize),
        done_(blockCount_),
        publishedCount_(threads_ > 1 ? std::min(limit, kPublished) : 0) {
    set_.reserve(std::min(limit, index.songs_->size()) + 1);
  }

  CandidateSet run() {
    if (limit_ == 0) return {};
    const unsigned threads = threads_;
    std::vector<Scratch> scratches;
    scratches.reserve(threads);
    for (unsigned k = 0; k < threads; ++k) scratches.emplace_back(*this);
    // Until the set is full nothing can be skipped: workers started now
    // would score whole blocks exactly.
    // One thread scores and merges in list order, always against the
    // threshold as it really is.
    while (merged_ < blockCount_ && (threads == 1 || set_.size() < limit_))
      scoreBlock(nextBlock_.fetch_add(1), scratches[0], true);
    if (merged_ < blockCount_) {
      // The calling thread merges, the others score; whatever one throws
      // stops the rest and reaches the caller once all are joined.
      sys_dep::runInParallel(threads, [this, &scratches](unsigned k) {
        try {
          if (k == 0)
            merge(scratches[0]);
          else
            work(scratches[k]);
        } catch (...) {
          stopping_.store(true, std::memory_order_relaxed);
          throw;
        }
      });
    }
    CandidateSet result;
    result.reserve(set_.size());
    for (const Ranked& r : set_)
      result.push_back({r.value, index_.songs_->entry(r.item), r.item});
    return result;
  }

 private:
  struct Scratch {
    explicit Scratch(const Collector& c) : path(c.pathScorer_), info(c.infoScorer_) {}
    SimilarityScorer::Scratch path, info;
    SimilarityScorer::BoundScratch pathBound, infoBound;
    // A worker's estimate of the smallest values the full set will hold when
    // its items are merged, ascending; see estimatedThreshold.
    std::vector<double> bottom;
  };
  // An exact value, or (exact false) an upper bound of it.
  struct Slot {
    double value;
    bool exact;
  };

  // The scorers fold the case of the songs' text as they read it.
  double exactValue(std::size_t k, Scratch& scratch) const {
    const SongList& songs = *index_.songs_;
    double value = pathScorer_.similarity(songs.path(k), scratch.path);
    if (hasInfo_ && songs.hasInfo(k)) value += infoScorer_.similarity(songs.info(k), scratch.info);
    return value;
  }

  // Division and addition round monotonically, so the bound computed the
  // same way as the value is not below it.
  double boundValue(std::size_t k, std::uint64_t pathSum, std::uint64_t infoSum) const {
    const SongList& songs = *index_.songs_;
    double bound = pathScorer_.ratio(pathSum, songs.path(k).size());
    if (hasInfo_ && songs.hasInfo(k)) bound += infoScorer_.ratio(infoSum, songs.info(k).size());
    return bound;
  }

  // Items of one gram block: once the set is full, bounds for all 64 at
  // once, and exact values for those the bounds cannot rule out. With
  // `mergeEach` (the calling thread, all earlier items merged) each item is
  // merged as soon as it is scored, so the next one meets the live threshold.
  void scoreGramBlock(std::size_t gramBlock, std::size_t end, Scratch& scratch, bool mergeEach) {
    const std::size_t begin = gramBlock * GramBlock::kLanes;
    std::uint64_t pathSums[GramBlock::kLanes], infoSums[GramBlock::kLanes] = {};
    bool bounded = false;
    if (!mergeEach) loadBottom(scratch);
    for (std::size_t k = begin; k < end; ++k) {
      const double threshold =
          mergeEach ? liveThreshold() : estimatedThreshold(scratch);
      if (threshold == kNoThreshold) {
        slots_[k] = {exactValue(k, scratch), true};
      } else {
        if (!bounded) {
          pathScorer_.blockBounds(index_.pathGrams_.block(gramBlock), scratch.pathBound, pathSums);
          if (hasInfo_)
            infoScorer_.blockBounds(index_.infoGrams_.block(gramBlock), scratch.infoBound,
                                    infoSums);
          bounded = true;
        }
        const double bound = boundValue(k, pathSums[k - begin], infoSums[k - begin]);
        slots_[k] = bound <= threshold ? Slot{bound, false}
                                       : refinedValue(k, pathSums[k - begin], threshold, scratch);
      }
      if (mergeEach)
        mergeItem(k, scratch);
      else if (slots_[k].exact)
        noteExact(slots_[k].value, scratch);
    }
  }

  // A worker's threshold lags behind the merge, which would make it score
  // exactly many items that the set, by the time they are merged, no longer
  // lets in. So it starts from the smallest values last published and lets
  // each value it finds above the smallest replace it, as the merge will:
  // while the set stays full every value only grows, so the estimate stays
  // at or below the real threshold (the merge checks every skip anyway).
  void loadBottom(Scratch& scratch) const {
    scratch.bottom.clear();
    if (threshold_.load(std::memory_order_relaxed) == kNoThreshold) return;
    for (std::size_t j = 0; j < publishedCount_; ++j)
      scratch.bottom.push_back(bottom_[j].load(std::memory_order_relaxed));
    std::sort(scratch.bottom.begin(), scratch.bottom.end());
  }

  double estimatedThreshold(const Scratch& scratch) const {
    const double published = threshold_.load(std::memory_order_relaxed);
    if (published == kNoThreshold || scratch.bottom.empty()) return published;
    return std::max(published, scratch.bottom.front());
  }

  static void noteExact(double value, Scratch& scratch) {
    std::vector<double>& bottom = scratch.bottom;
    if (bottom.empty() || !(value > bottom.front())) return;
    const auto at = std::upper_bound(bottom.begin() + 1, bottom.end(), value);
    std::move(bottom.begin() + 1, at, bottom.begin());
    *(at - 1) = value;
  }

  // The exact value, or a tighter bound when the exact line value with the
  // path's bound already cannot beat the threshold: the line is the shorter
  // string, so this spares the dearer path score.
  Slot refinedValue(std::size_t k, std::uint64_t pathSum, double threshold,
                    Scratch& scratch) const {
    const SongList& songs = *index_.songs_;
    if (!hasInfo_ || !songs.hasInfo(k)) return {exactValue(k, scratch), true};
    const double info = infoScorer_.similarity(songs.info(k), scratch.info);
    double value = pathScorer_.ratio(pathSum, songs.path(k).size());
    value += info;
    if (value <= threshold) return {value, false};
    value = pathScorer_.similarity(songs.path(k), scratch.path);
    value += info;
    return {value, true};
  }

  // With `mergeEach` the block must be the next one to merge.
  void scoreBlock(std::size_t block, Scratch& scratch, bool mergeEach) {
    const std::size_t end = std::min(slots_.size(), (block + 1) * kBlockSize);
    for (std::size_t k = block * kBlockSize; k < end; k += GramBlock::kLanes)
      scoreGramBlock(k / GramBlock::kLanes, std::min(end, k + GramBlock::kLanes), scratch,
                     mergeEach);
    if (mergeEach) {
      ++merged_;
      publish();
    }
    markBlock(block, kScored);
  }

  void markBlock(std::size_t block, std::uint8_t state) {
    done_[block].store(state, std::memory_order_release);
    done_[block].notify_all();
  }

  // A block a worker gives up is marked, so that the merge, which may be
  // waiting for it, stops instead.
  void work(Scratch& scratch) {
    for (std::size_t block; !stopping_.load(std::memory_order_relaxed) &&
                            (block = nextBlock_.fetch_add(1)) < blockCount_;) {
      try {
        scoreBlock(block, scratch, false);
      } catch (...) {
        markBlock(block, kAbandoned);
        throw;
      }
    }
  }

  // Returns early when a worker stopped: its exception is the result.
  void merge(Scratch& scratch) {
    while (merged_ < blockCount_ && !stopping_.load(std::memory_order_relaxed)) {
      const std::uint8_t state = done_[merged_].load(std::memory_order_acquire);
      if (state == kAbandoned) return;
      if (state == kScored) {
        mergeBlock(merged_++, scratch);
        continue;
      }
      const std::size_t block = nextBlock_.fetch_add(1);
      if (block < blockCount_)
        scoreBlock(block, scratch, block == merged_);
      else
        done_[merged_].wait(0, std::memory_order_acquire);
    }
  }

  void mergeBlock(std::size_t block, Scratch& scratch) {
    const std::size_t end = std::min(slots_.size(), (block + 1) * kBlockSize);
    for (std::size_t k = block * kBlockSize; k < end; ++k) mergeItem(k, scratch);
    publish();
  }

  // A skipped item whose bound beats the set as it really is now (the
  // scorer may have seen an older threshold) is scored after all.
  void mergeItem(std::size_t k, Scratch& scratch) {
    const Slot slot = slots_[k];
    if (slot.exact)
      offer(slot.value, k);
    else if (set_.size() < limit_ || slot.value > set_.back().value)
      offer(exactValue(k, scratch), k);
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

  double liveThreshold() const {
    return set_.size() == limit_ ? set_.back().value : kNoThreshold;
  }

  // Shows workers the set after a merged block: once per block, not per
  // insertion, so the lines they read are seldom taken from under them.
  void publish() {
    if (publishedCount_ == 0) return;
    const double threshold = liveThreshold();
    if (threshold != kNoThreshold)
      for (std::size_t j = 0; j < publishedCount_; ++j)
        bottom_[j].store(set_[set_.size() - 1 - j].value, std::memory_order_relaxed);
    threshold_.store(threshold, std::memory_order_relaxed);
  }

  const CandidateIndex& index_;
  const std::size_t limit_;
  const unsigned threads_;
  const std::string path_, info_;
  const bool hasInfo_;
  const SimilarityScorer pathScorer_, infoScorer_;
  std::vector<Slot, sys_dep::HugePageAllocator<Slot>> slots_;
  const std::size_t blockCount_;
  // Per block: kScored once its slots are filled, kAbandoned when its worker
  // threw; 0 before.
  static constexpr std::uint8_t kScored = 1, kAbandoned = 2;
  std::vector<std::atomic<std::uint8_t>> done_;
  std::atomic<bool> stopping_{false};  // a thread threw: the others stop
  // Written by one thread and read by the other: each on a cache line of
  // its own, apart from the fields read all the time.
  alignas(64) std::atomic<std::size_t> nextBlock_{0};
  std::size_t merged_ = 0;  // blocks merged so far; calling thread only
  // The set's smallest value as last published (kNoThreshold: not full).
  alignas(64) std::atomic<double> threshold_{kNoThreshold};
  // The smallest values of the full set, for workers (none with one thread).
  static constexpr std::size_t kPublished = 32;
  const std::size_t publishedCount_;
  std::array<std::atomic<double>, kPublished> bottom_{};
  struct Ranked {
    double value;
    std::size_t item;
  };
  alignas(64) std::vector<Ranked> set_;  // ranked: descending, ties later item first
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

CandidateSet CandidateIndex::collect(const PlaylistEntry& entry, std::size_t limit) const {
  return Collector(*this, entry, limit, threads_).run();
}

CandidateSet CandidateIndex::collectHere(const PlaylistEntry& entry, std::size_t limit) const {
  return Collector(*this, entry, limit, 1).run();
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
  return CandidateIndex(validList).collect(entry, limit);
}

namespace {

// The -a rule: the candidate with the same file name and the most equal
// folder names (at least one, more than `dirs`), ties to the higher rank.
std::optional<std::size_t> sameNameCandidate(const std::string& path, const CandidateSet& candidates,
                                             int dirs) {
  int bestDirs = 0;
  std::optional<std::size_t> chosen;
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    int equalDirs = 0;
    if (sameFileName(path, candidates[k].entry.path, equalDirs) && equalDirs > bestDirs &&
        equalDirs > dirs) {
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
  if (best.entry.path == entry.compared.path)
    return {settings.copyInfo ? AutoOutcome::kReplace : AutoOutcome::kUnchanged, 0};
  if (settings.autoSelect) {
    if (const auto chosen = sameNameCandidate(entry.compared.path, candidates, settings.dirs)) {
      announce(dialogue, entry, "Auto", candidates[*chosen]);
      return {AutoOutcome::kReplace, *chosen};
    }
  }
  // No ranking of library paths can be confident about a URL.
  if (settings.bestRatio && !isUrl(entry.writtenPath) &&
      clearlyBest(candidates, *settings.bestRatio, minMatch)) {
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
                                 std::ostream& dialogue) {
  const RuleEntry asWritten{entry, entry.path, [](const Candidate& c) { return c.entry.path; }};
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
  std::unordered_map<std::string_view, std::vector<std::size_t>> groups;
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (!entries[k].deleted) groups[entries[k].path].push_back(k);
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
