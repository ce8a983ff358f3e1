// How often the repair's ranking and automatic rules pick the song a broken
// entry really came from: the figures a user feels.
#ifndef BENCH_QUALITY_H_
#define BENCH_QUALITY_H_

#include <cstdint>
#include <iosfwd>
#include <string>

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

// The repair as the tool runs it on a reorganised tagged music folder (at
// least 2,000 songs, bench/realistic.h) scanned as the validList, with the
// playlists players wrote before: for -a, -a -b0.6, -a -i and -a -i -b0.6,
// per kind of playlist, the entries whose song is still there replaced right,
// replaced wrong and left, and the entries whose song is gone replaced. The
// music folder is written below `dataDir` once per seed.
void realisticQualitySection(const std::string& dataDir, std::uint64_t seed, ResultTable& table, std::ostream& log);

}  // namespace bench

#endif  // BENCH_QUALITY_H_
