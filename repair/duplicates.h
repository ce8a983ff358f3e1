// The duplicate finder: songs of the valid list with alike names and close
// durations, grouped for the user to review.
#ifndef REPAIR_DUPLICATES_H_
#define REPAIR_DUPLICATES_H_

#include <iostream>

#include "playlist/playlist.h"

namespace kw {

// Appends the groups of probable duplicates of `validList` to `output`
// (copies of its entries with their own '#' lines, separated by
// "-----------" entries) and lists them on `listing`.
// `minNameMatch` is the smallest name match of a pair, `maxTimeDiff` the
// largest difference of durations in seconds.
// Each song heads a group of all later songs whose durations are close
// (or unknown) and whose name matches its own by at least `minNameMatch`
// (nameMatch; NaN never does). A name is the lowered path after its last
// '\' or '/' (the whole lowered path when it has neither); the heading
// song's name drops its extension, the others keep theirs. Listing: the
// head's lowered path, then "<value> <lowered path>" per duplicate, groups
// separated by "--------------". Pairs whose shared letters and digits
// cannot reach the minimum are never matched, which changes no result.
void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing = std::cout);

}  // namespace kw

#endif  // REPAIR_DUPLICATES_H_
