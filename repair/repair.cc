#include "repair/repair.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace kw {
namespace {

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
  EntryDialogue(PlaylistEntry& entry, const CandidateSet& candidates, double& minMatch,
                RepairStatistics& statistics, std::ostream& out, std::istream& in)
      : entry_(entry),
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
      out_ << kSongRule << "Song: '" << entry_.path << "'\n" << kSongRule;
    else
      out_ << kMoreRule << "More replacements:\n" << kMoreRule;
    for (std::size_t k = 0; k < kPageSize && pageStart + k < candidates_.size(); ++k) {
      const Candidate& c = candidates_[pageStart + k];
      out_ << k + 1 << ": " << c.entry.path << " (" << formatValue(c.value) << ")\n";
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
      out_ << "Illegal answer '" << answer << "'\n";
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

void repairPlaylist(PlayList& invalidList, const CandidateIndex& validIndex,
                    PlayList& missingList, std::ostream& statistics, bool removeDupes,
                    bool autoSelect, int dirs, bool copyInfo, bool keepInfo, double minMatch,
                    std::ostream& dialogue, std::istream& answers) {
  double currentMinMatch = announceMinimum(minMatch, dialogue);
  RepairStatistics counts;
  if (removeDupes) counts.deletedDupes = removeDuplicateEntries(invalidList);
  for (std::size_t k = 0; k < invalidList.entries.size(); ++k) {
    PlaylistEntry& entry = invalidList.entries[k];
    if (entry.deleted) continue;
    const CandidateSet candidates = validIndex.collect(entry, kCandidateLimit);
    const AutoDecision decision = chooseAutomatically(entry, candidates, autoSelect, dirs,
                                                      copyInfo, currentMinMatch, dialogue);
    if (decision.outcome == AutoOutcome::kReplace) {
      applyReplacement(entry, candidates[decision.candidate].entry, keepInfo, counts);
    } else if (decision.outcome == AutoOutcome::kAskUser) {
      const std::optional<std::size_t> chosen =
          EntryDialogue(entry, candidates, currentMinMatch, counts, dialogue, answers).run();
      if (chosen)
        applyReplacement(entry, candidates[*chosen].entry, keepInfo, counts);
      else
        missingList.entries.push_back(PlaylistEntry(entry));
    }
  }
  if (removeDupes) counts.deletedDupes += removeDuplicateEntries(invalidList);
  printStatistics(counts, statistics);
}

void repairPlaylist(PlayList& invalidList, const PlayList& validList, PlayList& missingList,
                    std::ostream& statistics, bool removeDupes, bool autoSelect, int dirs,
                    bool copyInfo, bool keepInfo, double minMatch, std::ostream& dialogue,
                    std::istream& answers, unsigned threads) {
  const CandidateIndex index(validList, threads);
  repairPlaylist(invalidList, index, missingList, statistics, removeDupes, autoSelect, dirs,
                 copyInfo, keepInfo, minMatch, dialogue, answers);
}

}  // namespace kw
