// How often the repair's ranking and automatic rules pick the song a broken
// entry really came from: the figures a user feels.
#ifndef BENCH_QUALITY_H_
#define BENCH_QUALITY_H_

#include <iosfwd>

#include "bench/measure.h"

namespace bench {

// Scores a generated broken playlist (2,000 entries, or 200 with `quick`)
// against its library (100,000 songs, or 20,000), once with the entries'
// #EXTINF lines and once without, and reports over the entries whose song is
// still in the library (and which are not simply still valid): the share
// whose song is ranked first and on the first page of nine, and for -a and
// -a -b<ratio> the shares replaced right, replaced wrong and left; for the
// entries whose song is gone, how many each rule replaced (all wrongly).
void qualitySection(bool quick, ResultTable& table, std::ostream& log);

}  // namespace bench

#endif  // BENCH_QUALITY_H_
