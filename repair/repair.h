// The repair of one invalid playlist against the valid one, with the
// console dialogue for the entries the automatic rules cannot settle.
#ifndef REPAIR_REPAIR_H_
#define REPAIR_REPAIR_H_

#include <iostream>
#include <string>

#include "playlist/playlist.h"
#include "repair/candidates.h"

namespace kw {

// Repairs `invalidList` in place against `validList` (read only) and appends
// copies of the entries left unreplaced to `missingList` (with their own '#'
// lines; the playlist's own lines stay behind). The dialogue goes to
// `dialogue` and answers come from `answers`, one line each (end of input
// reads as an empty answer); the statistics go to `statistics`.
// `minMatch` is the command line's minimum match value; a value set by the
// user in the dialogue replaces it for this and every later call.
// The switches are those of -d, -a, -c and -k, `dirs` the value of -e.
// With `threads` above 1 (0: one per hardware thread) that many threads
// score the candidate sets of the next few entries, one entry each, while
// the dialogue runs; the outcome does not depend on it. Prepares the
// validList once per call (CandidateIndex).
void repairPlaylist(PlayList& invalidList, const PlayList& validList, PlayList& missingList,
                    std::ostream& statistics, bool removeDupes, bool autoSelect, int dirs,
                    bool copyInfo, bool keepInfo, double minMatch,
                    std::ostream& dialogue = std::cerr, std::istream& answers = std::cin,
                    unsigned threads = 0);

// The same against an index prepared by the caller (of the validList), so
// that several invalid playlists share one preparation; the index's
// threads score ahead.
void repairPlaylist(PlayList& invalidList, const CandidateIndex& validIndex,
                    PlayList& missingList, std::ostream& statistics, bool removeDupes,
                    bool autoSelect, int dirs, bool copyInfo, bool keepInfo, double minMatch,
                    std::ostream& dialogue = std::cerr, std::istream& answers = std::cin);

// Forgets a minimum match value set in the dialogue, as at program start
// (for tests: the value otherwise lives for the whole run).
void resetInteractiveMinMatch();

// Writes `prompt` and a line feed to `dialogue` (flushed) and returns the
// next line of `answers` without its line feed; "" at end of input.
std::string askUser(const std::string& prompt, std::ostream& dialogue = std::cerr,
                    std::istream& answers = std::cin);

}  // namespace kw

#endif  // REPAIR_REPAIR_H_
