#include "repair/repair.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/code_page.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "playlist/path_forms.h"
#include "playlist/xml_playlist.h"

namespace kw {
namespace {

using err::shown;

// The minimum the user set with "l"; it outlives the playlist it was set in.
double interactiveMinMatch = 0.0;
bool minMatchSetInteractively = false;

const char kSongRule[] =
    "-------------------------------------------------------------------------------\n";
const char kMoreRule[] = "-------------------------------------------\n";
const char kPrompt[] =
    "Enter number to replace with (ENTER=skip;'d'=delete;'m'=show more;'l'=set minmatch):";
constexpr std::size_t kPageSize = 9;

// The C library's atoi (strtol cut to int), without undefined behaviour on
// overflow.
int leadingNumber(const std::string& answer) {
  return static_cast<int>(std::strtol(answer.c_str(), nullptr, 10));
}

// The console dialogue about one entry that the automatic rules left open.
class EntryDialogue {
 public:
  EntryDialogue(PlaylistEntry& entry, const RuleEntry& rule, const CandidateSet& candidates,
                double& minMatch, RepairStatistics& statistics, std::ostream& out,
                std::istream& in)
      : entry_(entry),
        rule_(rule),
        candidates_(candidates),
        minMatch_(minMatch),
        statistics_(statistics),
        out_(out),
        in_(in) {}

  // The ranked position of the chosen candidate; none for a skip, a delete
  // or an empty set.
  std::optional<std::size_t> run() {
    std::size_t pageStart = 0;
    for (;;) {
      if (pageStart >= candidates_.size()) {
        if (pageStart == 0) {
          out_ << "No replacements found - skipping entry!\n";
          return std::nullopt;
        }
        out_ << "Restarting from best matching replacement:\n";
        pageStart = 0;
      }
      showPage(pageStart);
      const Answer answer = ask(pageStart);
      if (answer.kind == Answer::kChoose) return answer.position;
      if (answer.kind == Answer::kEnd) return std::nullopt;
      pageStart += kPageSize;
    }
  }

 private:
  struct Answer {
    enum Kind { kChoose, kEnd, kNextPage } kind;
    std::size_t position = 0;
  };

  void showPage(std::size_t pageStart) {
    if (pageStart == 0)
      out_ << kSongRule << "Song: '" << shown(rule_.writtenPath) << "'\n" << kSongRule;
    else
      out_ << kMoreRule << "More replacements:\n" << kMoreRule;
    for (std::size_t k = 0; k < kPageSize && pageStart + k < candidates_.size(); ++k) {
      const Candidate& c = candidates_[pageStart + k];
      out_ << k + 1 << ": " << shown(rule_.replacementPath(c)) << " (" << formatValue(c.value) << ")\n";
    }
  }

  Answer ask(std::size_t pageStart) {
    for (;;) {
      const std::string answer = askUser(kPrompt, out_, in_);
      const int n = leadingNumber(answer);
      if (n >= 1) {
        const std::size_t position = pageStart + static_cast<std::size_t>(n) - 1;
        if (position >= pageStart && position < candidates_.size())
          return {Answer::kChoose, position};
      } else if (answer == "d") {
        entry_.deleted = true;
        ++statistics_.deletedEntries;
        return {Answer::kEnd};
      } else if (answer == "m") {
        return {Answer::kNextPage};
      } else if (answer == "l") {
        setMinimum();
        return {Answer::kNextPage};
      } else if (answer.empty()) {
        return {Answer::kEnd};
      }
      out_ << "Illegal answer '" << shown(answer) << "'\n";
    }
  }

  void setMinimum() {
    const std::string text = askUser("Enter minimum match value", out_, in_);
    const double value = text.empty() ? 0.0 : std::strtod(text.c_str(), nullptr);
    interactiveMinMatch = value;
    minMatchSetInteractively = true;
    minMatch_ = value;
    out_ << "Minimum match value set to " << formatValue(value) << "\n";
  }

  PlaylistEntry& entry_;
  const RuleEntry& rule_;
  const CandidateSet& candidates_;
  double& minMatch_;
  RepairStatistics& statistics_;
  std::ostream& out_;
  std::istream& in_;
};

double announceMinimum(double commandLineMinMatch, std::ostream& dialogue) {
  if (!minMatchSetInteractively) {
    dialogue << "Using command line minimum match value (" << formatValue(commandLineMinMatch)
             << ")\n";
    return commandLineMinMatch;
  }
  dialogue << "Minimum match value set to " << formatValue(interactiveMinMatch) << "\n";
  return interactiveMinMatch;
}

// The entry as it is ranked, or none for an entry settled without ranking.
using RankedForm = std::function<std::optional<PlaylistEntry>(const PlaylistEntry&)>;

// What ranking an entry tells: the validList song that names it and would
// rank first on its own (so the entry is valid and needs no candidates), or
// its candidate set.
struct Ranking {
  std::optional<std::size_t> listedFirst;
  CandidateSet candidates;
};
using Ranker = std::function<Ranking(const PlaylistEntry&)>;

// Candidate sets of the entries ahead of the one in the dialogue, scored in
// the background while the user answers or the automatic rules run, so the
// loop seldom waits. Each set is scored by one thread (the most efficient
// way), the entries spread over the index's threads; at most a few sets per
// thread wait at a time, since a set holds up to 450 entry copies. Entries
// are copied when scheduled, so the workers never touch the playlist.
class CandidateLookahead {
 public:
  // Whatever leaves the constructor once some workers run (a refused
  // start only means fewer workers) stops and joins them first.
  CandidateLookahead(const CandidateIndex& index, const PlayList& list, const RankedForm& rankedForm,
                     const Ranker& rank)
      : list_(list),
        rankedForm_(rankedForm),
        rank_(rank),
        window_(kSetsPerThread * std::max(1u, index.threads())) {
    if (index.threads() <= 1) return;  // everything on the calling thread
    try {
      workers_.reserve(index.threads());
      for (unsigned t = 0; t < index.threads(); ++t) {
        try {
          workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
          break;  // fewer workers only cost time; with none the caller scores
        }
      }
    } catch (...) {
      stop();
      throw;
    }
  }

  CandidateLookahead(const CandidateLookahead&) = delete;
  CandidateLookahead& operator=(const CandidateLookahead&) = delete;

  ~CandidateLookahead() { stop(); }

  // The ranking of entry `k` of the playlist as it is now, given as
  // `compared` (its ranked form). Entries are asked for in list order;
  // rankings of entries passed over are dropped. Rethrows what ranking the
  // entry threw.
  Ranking take(std::size_t k, const PlaylistEntry& compared) {
    if (workers_.empty()) return rank_(compared);
    schedule(k);
    std::shared_ptr<Job> job = frontJob(k);
    if (!job || !sameContent(job->entry, compared)) return rank_(compared);
    std::unique_lock<std::mutex> lock(mutex_);
    if (job->state == Job::kWaiting) {
      job->state = Job::kScoring;
      lock.unlock();
      return rank_(job->entry);
    }
    changed_.wait(lock, [&] { return job->state == Job::kDone; });
    if (job->error) std::rethrow_exception(job->error);
    return std::move(job->ranking);
  }

 private:
  static constexpr unsigned kSetsPerThread = 4;

  struct Job {
    Job(std::size_t k, const PlaylistEntry& e) : index(k), entry(e) {}
    const std::size_t index;
    const PlaylistEntry entry;
    enum State { kWaiting, kScoring, kDone } state = kWaiting;
    Ranking ranking;
    std::exception_ptr error;
  };

  // Wakes the workers to end and joins them; a worker scoring a set
  // finishes it first.
  void stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    workers_.clear();
  }

  static bool sameContent(const PlaylistEntry& a, const PlaylistEntry& b) {
    if (a.path != b.path || (a.extInfo == nullptr) != (b.extInfo == nullptr)) return false;
    return a.extInfo == nullptr || *a.extInfo == *b.extInfo;
  }

  // Queues the ranked forms of the entries from `k` on that are not deleted
  // and need ranking, up to the window. Only the calling thread reads the
  // playlist.
  void schedule(std::size_t k) {
    scanned_ = std::max(scanned_, k);
    for (;;) {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.size() >= window_) return;
      }
      std::optional<PlaylistEntry> ranked;
      for (; scanned_ < list_.entries.size() && !ranked; ++scanned_) {
        if (!list_.entries[scanned_].deleted) ranked = rankedForm_(list_.entries[scanned_]);
      }
      if (!ranked) return;
      auto job = std::make_shared<Job>(scanned_ - 1, *ranked);
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
      }
      changed_.notify_one();
    }
  }

  // Drops the jobs of entries before `k` and returns that of `k`, if queued.
  std::shared_ptr<Job> frontJob(std::size_t k) {
    const std::lock_guard<std::mutex> lock(mutex_);
    while (!jobs_.empty() && jobs_.front()->index < k) jobs_.pop_front();
    if (jobs_.empty() || jobs_.front()->index != k) return nullptr;
    std::shared_ptr<Job> job = std::move(jobs_.front());
    jobs_.pop_front();
    return job;
  }

  std::shared_ptr<Job> firstWaiting() const {
    for (const std::shared_ptr<Job>& job : jobs_)
      if (job->state == Job::kWaiting) return job;
    return nullptr;
  }

  void work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      std::shared_ptr<Job> job;
      changed_.wait(lock, [&] { return stopping_ || (job = firstWaiting()) != nullptr; });
      if (stopping_) return;
      job->state = Job::kScoring;
      lock.unlock();
      Ranking ranking;
      std::exception_ptr error;
      try {
        ranking = rank_(job->entry);
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      job->ranking = std::move(ranking);
      job->error = error;
      job->state = Job::kDone;
      changed_.notify_all();
    }
  }

  const PlayList& list_;
  const RankedForm& rankedForm_;
  const Ranker& rank_;
  const std::size_t window_;
  std::size_t scanned_ = 0;  // entries looked at for scheduling
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> jobs_;  // in list order
  bool stopping_ = false;
  std::vector<std::jthread> workers_;  // last: joined before the rest goes
};

void printStatistics(const RepairStatistics& s, std::ostream& out) {
  out << "Corrected entries = " << s.correctedEntries << " - Corrected infos = " << s.correctedInfos
      << "\n"
      << "Deleted entries = " << s.deletedEntries << " - Deleted dupes = " << s.deletedDupes
      << "\n";
}

}  // namespace

void resetInteractiveMinMatch() {
  interactiveMinMatch = 0.0;
  minMatchSetInteractively = false;
}

std::string askUser(const std::string& prompt, std::ostream& dialogue, std::istream& answers) {
  dialogue << prompt << std::endl;
  std::string answer;
  if (!std::getline(answers, answer)) return std::string();
  return answer;
}

namespace {

// What one invalid playlist's repair needs at every entry.
struct RepairRun {
  const ValidLibrary& library;
  const RepairSettings& settings;
  const PlayList& invalidList;
  const EntryPaths paths;
  PlayList& missingList;
  std::optional<std::string> missingFolder;  // told when first needed
  RepairStatistics counts;
  double minMatch;

  // A URL names no song of a library of files: unless the library holds
  // URLs of its scheme, nothing can be said about it, so it is left
  // exactly as it is, uncounted. So is a Windows path relative to a
  // drive's working folder ("C:x"), which only its writer could resolve.
  bool leftAlone(const PlaylistEntry& entry) const {
    if (isUrl(entry.path)) return !library.holdsScheme(entry.path);
    return isDriveRelativePath(entry.path);
  }

  // The validList song a relative entry names by any of its forms; such an
  // entry is valid whatever else the list holds.
  std::optional<std::size_t> validTwin(const PlaylistEntry& entry) const {
    for (const std::string& form : paths.validForms(entry.path)) {
      if (const std::optional<std::size_t> position = library.find(form)) return position;
    }
    return std::nullopt;
  }

  // The entry as it is ranked, or none when it is settled without ranking.
  std::optional<PlaylistEntry> rankedForm(const PlaylistEntry& entry) const {
    if (leftAlone(entry) || validTwin(entry)) return std::nullopt;
    return paths.comparedEntry(entry);
  }

  // Settles an entry that needs no ranking: a valid one takes its twin's
  // information line with -c.
  void settleUnranked(PlaylistEntry& entry) {
    if (!leftAlone(entry)) settleValid(entry, *validTwin(entry));
  }

  // A valid entry, named by the song at `position`, takes the song's
  // information line with -c and keeps its path.
  void settleValid(PlaylistEntry& entry, std::size_t position) {
    if (!settings.copyInfo) return;
    PlaylistEntry twin = library.comparedSong(position);
    twin.path = entry.path;
    take(entry, std::move(twin));
  }

  // The song whose compared path the entry has, when it would rank first on
  // its own: ranking would find the entry valid (chooseAutomatically) and
  // take that song's line with -c, before any rule that depends on the
  // other candidates. A tie (the same path twice, another letter case, a
  // short path scoring as high) is left to the ranking.
  std::optional<std::size_t> listedFirst(const PlaylistEntry& compared) const {
    if (!settings.settleListed) return std::nullopt;
    const std::optional<std::size_t> position = library.find(compared.path);
    if (!position || !library.index().ranksFirstAlone(compared, *position)) return std::nullopt;
    return position;
  }

  Ranking rank(const PlaylistEntry& compared) const {
    if (std::optional<std::size_t> position = listedFirst(compared)) return {position, {}};
    return {std::nullopt, library.index().collectHere(compared)};
  }

  // `song`'s information line in the playlist's code page, when it has one
  // (a character it cannot hold becomes '?': a title is only shown).
  PlaylistEntry inCodePage(PlaylistEntry song) const {
    if (invalidList.ansiCodePage && song.extInfo) *song.extInfo = *sys_dep::toAnsiCodePage(*song.extInfo, false);
    return song;
  }

  // Whether candidate `c` is the song that the entry compared as
  // `comparedPath` names already.
  static bool namesAlready(const std::string& comparedPath, const Candidate& c) {
    return sys_dep::samePath(c.entry.path, comparedPath);
  }

  // The path (as text) an entry written `written`, compared as
  // `comparedPath`, gets from candidate `c`: its own when it names that song
  // already.
  std::string pathFrom(const std::string& written, const std::string& comparedPath,
                       const Candidate& c) const {
    if (namesAlready(comparedPath, c)) return paths.text(written);
    return paths.replacement(written, c.entry.path, std::string(library.listedPath(c.position)));
  }

  // Whether the playlist can hold the new path `path` (text), which in an
  // ANSI playlist becomes the bytes of its code page; reports why not.
  bool fitsTheList(std::string& path, std::ostream& dialogue) const {
    const char* why = nullptr;
    if (!holdsPath(invalidList, path)) {
      why = "not UTF-8";
    } else if (invalidList.ansiCodePage) {
      std::optional<std::string> bytes = sys_dep::toAnsiCodePage(path);
      if (bytes) path = std::move(*bytes);
      else why = "not in its code page";
    }
    if (!why) return true;
    dialogue << "Cannot write '" << shown(path) << "' into '" << shown(invalidList.fileName) << "': " << why << "\n";
    return false;
  }

  // A path the playlist cannot hold (bytes that are not UTF-8 in a WPL or in
  // an XML URL, a name outside an ANSI playlist's code page) leaves the
  // entry as it was, reported after its "Song:" line, and sends it to the
  // missing list like an entry skipped.
  void replace(PlaylistEntry& entry, const std::string& comparedPath, const Candidate& c,
               std::ostream& dialogue) {
    PlaylistEntry chosen(c.entry);
    chosen.path = namesAlready(comparedPath, c) ? entry.path : pathFrom(entry.path, comparedPath, c);
    if (chosen.path != entry.path && !fitsTheList(chosen.path, dialogue)) {
      addMissing(entry);
      return;
    }
    take(entry, std::move(chosen));
  }

  // Gives `entry` the path and information line of `chosen`. An XML playlist
  // keeps its track's line when the new one would not change the document
  // (its title, creator and duration say it already, or the format keeps no
  // line), so that only a real change counts.
  void take(PlaylistEntry& entry, PlaylistEntry chosen) {
    if (chosen.extInfo && writesXml(invalidList) &&
        !changesXmlInfo(invalidList, static_cast<std::size_t>(&entry - invalidList.entries.data()), *chosen.extInfo))
      chosen.extInfo.reset();
    applyReplacement(entry, inCodePage(std::move(chosen)), settings.keepInfo, counts);
  }

  // The missing list holds UTF-8: a copy from an ANSI playlist is decoded.
  void addMissing(const PlaylistEntry& entry) {
    PlaylistEntry copy = invalidList.ansiCodePage ? decodedFromAnsi(entry) : entry;
    if (isRelativePath(copy.path)) {
      if (!missingFolder) missingFolder = writtenFolderOfFile(missingList.fileName);
      copy.path = paths.movedTo(entry.path, *missingFolder);
    }
    missingList.entries.push_back(std::move(copy));
  }

  void repairEntry(PlaylistEntry& entry, const CandidateSet& candidates,
                   const PlaylistEntry& compared, std::ostream& dialogue, std::istream& answers) {
    const std::string writtenText = paths.text(entry.path);
    const RuleEntry rule{compared, writtenText,
                         [&](const Candidate& c) { return pathFrom(entry.path, compared.path, c); },
                         settings.sameSong ? &library.identities() : nullptr};
    const AutoDecision decision =
        chooseAutomatically(rule, candidates, settings, minMatch, dialogue);
    if (decision.outcome == AutoOutcome::kReplace) {
      replace(entry, compared.path, decision.chosen(candidates), dialogue);
    } else if (decision.outcome == AutoOutcome::kAskUser) {
      const std::optional<std::size_t> chosen =
          EntryDialogue(entry, rule, candidates, minMatch, counts, dialogue, answers).run();
      if (chosen)
        replace(entry, compared.path, candidates[*chosen], dialogue);
      else
        addMissing(entry);
    }
  }
};

}  // namespace

void repairPlaylist(PlayList& invalidList, const ValidLibrary& library, PlayList& missingList,
                    const RepairSettings& settings, std::ostream& statistics,
                    std::ostream& dialogue, std::istream& answers) {
  RepairRun run{library,
                settings,
                invalidList,
                EntryPaths(writtenFolderOfFile(invalidList.fileName), library.allAbsolute(),
                           invalidList.ansiCodePage),
                missingList,
                std::nullopt,
                {},
                announceMinimum(settings.minMatch, dialogue)};
  if (settings.removeDupes) run.counts.deletedDupes = removeDuplicateEntries(invalidList);
  const RankedForm rankedForm = [&run](const PlaylistEntry& entry) { return run.rankedForm(entry); };
  const Ranker rank = [&run](const PlaylistEntry& compared) { return run.rank(compared); };
  CandidateLookahead lookahead(library.index(), invalidList, rankedForm, rank);
  for (std::size_t k = 0; k < invalidList.entries.size(); ++k) {
    PlaylistEntry& entry = invalidList.entries[k];
    if (entry.deleted) continue;
    const std::optional<PlaylistEntry> compared = run.rankedForm(entry);
    if (!compared) {
      run.settleUnranked(entry);
      continue;
    }
    const Ranking ranking = lookahead.take(k, *compared);
    if (ranking.listedFirst)
      run.settleValid(entry, *ranking.listedFirst);
    else
      run.repairEntry(entry, ranking.candidates, *compared, dialogue, answers);
  }
  if (settings.removeDupes) run.counts.deletedDupes += removeDuplicateEntries(invalidList);
  printStatistics(run.counts, statistics);
}

void repairPlaylist(PlayList& invalidList, const PlayList& validList, PlayList& missingList,
                    const RepairSettings& settings, std::ostream& statistics,
                    std::ostream& dialogue, std::istream& answers, unsigned threads) {
  const ValidLibrary library(validList, threads);
  repairPlaylist(invalidList, library, missingList, settings, statistics, dialogue, answers);
}

}  // namespace kw
