// Plain versions of the matching algorithms, written for clarity rather
// than speed. The production code in repair/ must give bit-identical
// results; tests and benchmarks compare the two.
#ifndef TESTS_REFERENCE_REFERENCE_H_
#define TESTS_REFERENCE_REFERENCE_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "playlist/playlist.h"

namespace kw::reference {

// Sum over every position i of a of the longest common prefix of a[i..]
// and any suffix of b, tried start by start and run by run.
unsigned long long similaritySum(const std::string& a, const std::string& b);

// similaritySum / (n * m); 0 when either string is empty.
double pathSimilarity(const std::string& a, const std::string& b);

// pathSimilarity of the lowered paths, plus that of the lowered
// extended-information lines when both entries have one.
double matchValue(const PlaylistEntry& entry, const PlaylistEntry& candidate);

// The greedy letters-and-digits overlap of `searchText` and `other`, without
// any prepared index; NaN when neither has a word character.
double nameMatch(const std::string& searchText, const std::string& other);

// The candidate set of `entry` in ranked order (best first; among equal
// values the later validList entry first), built one validList entry at a
// time with the drop-all-ties rule of a full set.
std::vector<std::pair<double, PlaylistEntry>> collectCandidates(const PlayList& validList,
                                                                const PlaylistEntry& entry,
                                                                std::size_t limit);

// The duplicate groups of `validList` appended to `output` and listed on
// `listing`, comparing every pair in list order. Durations follow the rules
// as documented for kw::findDuplicates, not its code.
void findDuplicates(const PlayList& validList, PlayList& output, double minNameMatch,
                    int maxTimeDiff, std::ostream& listing);

}  // namespace kw::reference

#endif  // TESTS_REFERENCE_REFERENCE_H_
