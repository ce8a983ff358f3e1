// Deterministic, realistic song libraries for tests and benchmarks:
// "/music/<Artist>/<Album>/<NN> - <Title>.mp3" paths of about 60 to 120
// bytes with "#EXTINF:<seconds>,<Artist> - <Title>" lines, and playlists
// whose entries point to such songs after the files were moved or renamed.
#ifndef TESTS_REFERENCE_SAMPLE_LIBRARY_H_
#define TESTS_REFERENCE_SAMPLE_LIBRARY_H_

#include <cstddef>
#include <cstdint>

#include "playlist/playlist.h"

namespace kw::reference {

// A library of `songs` songs (albums of 8 to 15 tracks, 3 to 12 albums per
// artist). The same seed gives the same library on every platform.
// `withExtInfo` false leaves every extInfo null.
PlayList makeLibrary(std::size_t songs, std::uint32_t seed, bool withExtInfo = true);

// `count` entries taken from `library` (which must not be empty) and damaged
// the way old playlists are: another root or separator style, changed case,
// a renamed album folder, another extension, a dropped track number, a typo;
// a few are left intact and a few name songs the library does not hold.
PlayList makeDamagedPlaylist(const PlayList& library, std::size_t count, std::uint32_t seed);

}  // namespace kw::reference

#endif  // TESTS_REFERENCE_SAMPLE_LIBRARY_H_
