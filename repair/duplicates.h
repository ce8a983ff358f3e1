// The duplicate finder: songs of the valid list with alike names and close
// durations, grouped for the user to review.
#ifndef REPAIR_DUPLICATES_H_
#define REPAIR_DUPLICATES_H_

#include <iostream>

#include "playlist/playlist.h"

namespace kw {

// Appends the groups of probable duplicates of `validList` to `output`
// (copies of its entries with their own '#' lines, separated by
// "-----------" entries) and lists them on `listing`. A relative path,
// relative to the folder of `validList.fileName`, is copied relative to the
// folder of `output.fileName`, so that it names the same file
// (EntryPaths::movedTo); kw::err::IOError when the working folder that
// needs cannot be told.
// `minNameMatch` is the smallest name match of a pair, `maxTimeDiff` the
// largest difference of durations in seconds.
// Each song heads a group of all later songs whose durations are close
// (or unknown) and whose name matches its own by at least `minNameMatch`
// (nameMatch; NaN never does). A song's duration is read from its line
// when the line's first ':' is its eighth byte (as in "#EXTINF:") and a ','
// follows that ':': the whole number right after the ':', as atoi reads it
// (leading white space and a sign allowed, ending at the first other byte).
// Without such a line, or when that number is 0, the duration is unknown.
// Durations are close when they differ by at most `maxTimeDiff` seconds;
// durations 36,000 s (ten hours) or more apart count as unknown, so such
// songs are compared by name alone. A name is the lowered path after its last
// '\' or '/' (the whole lowered path when it has neither); the heading
// song's name drops its extension, the others keep theirs. Listing: the
// head's lowered path, then "<value> <lowered path>" per duplicate, groups
// separated by "--------------".
// Pairs are found by duration rather than by trying all of them, and pairs
// whose shared letters and digits cannot reach the minimum are never
// matched; neither changes the result. `threads` share the songs out (0: one
// per hardware thread); the result never depends on it. Rethrows what a
// thread threw, after all have stopped.
void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing = std::cout, unsigned threads = 0);

}  // namespace kw

#endif  // REPAIR_DUPLICATES_H_
