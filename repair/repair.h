// The repair of one invalid playlist against the valid one, with the
// console dialogue for the entries the automatic rules cannot settle.
#ifndef REPAIR_REPAIR_H_
#define REPAIR_REPAIR_H_

#include <iostream>
#include <string>

#include "playlist/playlist.h"
#include "repair/candidates.h"
#include "repair/entry_paths.h"

namespace kw {

// Repairs `invalidList` in place against `validList` (read only) and appends
// to `missingList` a copy of each entry (with its own '#' lines; the
// playlist's own lines stay behind) that the dialogue ends without a
// replacement: skipped with ENTER (or at the end of the answers), without
// any candidate, or deleted with "d" (copied with its deleted mark, so a
// saved missing list leaves it out). An entry skipped because its best
// match value is below the minimum (the "Skip:" line) is not appended. The
// dialogue goes to `dialogue` and answers come from `answers`, one line each
// (end of input reads as an empty answer); the statistics go to
// `statistics`. `settings.minMatch` is the command line's minimum match
// value; a value set by the user in the dialogue replaces it for this and
// every later call.
// Entries are compared and replaced in their own path form (EntryPaths):
// relative ones against the folder of `invalidList.fileName`, valid when
// any of their forms is a validList path (EntryPaths::validForms); a copy of
// a relative entry in the missing list is made relative to the folder of
// `missingList.fileName`. A URL whose scheme the validList does not hold
// (ValidLibrary::holdsScheme), and a Windows path relative to a drive's
// working folder ("C:x", isDriveRelativePath), is left exactly as it is and
// counted nowhere (only -d removes a repeated one). A replacement the
// playlist cannot hold (holdsPath: bytes that are not UTF-8 in a WPL, or in
// a URL in an XSPF or ASX; a name outside the code page of a playlist in
// the ANSI code page) leaves the entry as it was, reported as "Cannot write
// '<path>' into '<playlist>': not UTF-8" (or ": not in its code page") on
// `dialogue`, and copies it to the missing list. An XML playlist saved as
// XML takes an information line, and counts it, only when it changes the
// document (changesXmlInfo). In a playlist in the ANSI code page
// (PlayList::ansiCodePage) paths are compared and shown as the text they
// stand for, new paths and information lines are written in that code page,
// and copies in the missing list are UTF-8. Paths and answers echoed on
// `dialogue` go through err::shown.
// With `threads` above 1 (0: one per hardware thread) that many threads
// score the candidate sets of the next few entries, one entry each, while
// the dialogue runs; the outcome does not depend on it, and what such a
// thread throws is rethrown here after all of them are joined. Prepares the
// validList once per call (ValidLibrary).
// Throws kw::err::IOError when the working directory is needed for a
// folder and cannot be told.
void repairPlaylist(PlayList& invalidList, const PlayList& validList, PlayList& missingList,
                    const RepairSettings& settings, std::ostream& statistics = std::cout,
                    std::ostream& dialogue = std::cerr, std::istream& answers = std::cin,
                    unsigned threads = 0);

// The same against a library prepared by the caller, so that several invalid
// playlists share one preparation; the index's threads score ahead.
void repairPlaylist(PlayList& invalidList, const ValidLibrary& library, PlayList& missingList,
                    const RepairSettings& settings, std::ostream& statistics = std::cout,
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
