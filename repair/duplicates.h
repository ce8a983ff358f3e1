// The duplicate finder: songs of the valid list with alike names and close
// durations, grouped for the user to review.
#ifndef REPAIR_DUPLICATES_H_
#define REPAIR_DUPLICATES_H_

#include <iostream>

#include "playlist/playlist.h"

namespace kw {

// Appends the groups of probable duplicates of `validList` to `output`
// (separated by "-----------" entries) and lists them on `listing`.
// `minNameMatch` is the smallest name match of a pair, `maxTimeDiff` the
// largest difference of durations in seconds.
void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing = std::cout);

}  // namespace kw

#endif  // REPAIR_DUPLICATES_H_
