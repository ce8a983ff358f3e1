// Writing playlists as M3U (plain or extended) or PLS.
#ifndef PLAYLIST_WRITER_H_
#define PLAYLIST_WRITER_H_

#include <iostream>

#include "playlist/playlist.h"

namespace kw {

// Rewrites the file `list.fileName` in the format chosen by `list.plsFormat`,
// leaving out deleted entries, then renames it so that its extension matches
// the format. Writes "Saving '...'" (always first) and the rename notice to
// `progress`. The previous content is never lost: the file is either fully
// rewritten or left byte-identical.
// Throws kw::err::IOError on any failure to write or rename.
void savePlaylist(const PlayList& list, std::ostream& progress = std::cout);

// Writes one entry in PLS form (keys numbered `index`) when `pls` is set,
// else in M3U form; a deleted entry writes nothing.
void writeEntry(const PlaylistEntry& entry, std::ostream& out, bool pls, int index);

}  // namespace kw

#endif  // PLAYLIST_WRITER_H_
