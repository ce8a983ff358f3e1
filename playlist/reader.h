// Reading plain M3U, extended M3U and PLS playlists.
#ifndef PLAYLIST_READER_H_
#define PLAYLIST_READER_H_

#include <iostream>

#include "playlist/playlist.h"

namespace kw {

// Appends the entries of the file `list.fileName` to `list.entries` (entries
// already there stay first) and sets `list.plsFormat` for a PLS file (never
// clears it). In M3U, a line that starts with '#' after blanks and tabs is a
// '#' line (kept without them); the '#' lines between two paths belong to
// the second: the last "#EXTINF" one (letter case ignored) is its extInfo,
// earlier ones are dropped with "Duplicated extended playlist info skipped"
// on `progress`, the others are its otherLines. Those standing before the
// first path's information line are appended to `list.fileLines`, those
// after the last path to `list.trailingLines` (to `fileLines` when there is
// no path). Writes the progress lines ("Reading playlist '...'", the format
// detected) to `progress` and the "Unexpected content ignored: '...'" lines
// to `warnings`.
// Throws kw::err::IOError when the file cannot be opened or read (nothing
// written to `progress` on an open failure), kw::err::Error for a broken
// header.
void readPlaylist(PlayList& list, std::ostream& progress = std::cout,
                  std::ostream& warnings = std::cerr);

}  // namespace kw

#endif  // PLAYLIST_READER_H_
