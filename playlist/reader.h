// Reading plain M3U, extended M3U and PLS playlists, and (through
// playlist/xml_playlist.h) XSPF, WPL and ASX.
#ifndef PLAYLIST_READER_H_
#define PLAYLIST_READER_H_

#include <cstdint>
#include <iostream>
#include <string>

#include "Lib/kw/err/error.h"
#include "playlist/playlist.h"
#include "playlist/song_list.h"

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
// no path). Blank lines (empty or blanks only) before the first content do
// not tell the format; "[playlist]" followed by blanks or tabs is the PLS
// header. In PLS, a TitleN or LengthN belongs to the latest entry numbered N
// wherever it stands, a FileN whose number has a path already starts a new
// entry, and entries come in the order of their numbers (file order within
// one number). Writes the progress lines ("Reading playlist '...'", the
// format detected) to `progress` and the "Unexpected content ignored: '...'"
// lines to `warnings`; file names and lines echoed there go through
// err::shown.
// Where sys_dep::hasAnsiPlaylists() (Windows), an M3U file without a UTF-8
// byte-order mark that holds a path that is not UTF-8 was written in the
// ANSI code page: `list.ansiCodePage` is set, and its lines stay bytes.
// A file that is no playlist is refused, tested in this order: a name with
// an audio extension (isAudioFileName), UTF-16 text, the signature of media
// or archive data (startsWithMediaSignature), an XML document that is no
// playlist, and a cue sheet without a playlist header (looksLikeCueSheet);
// a file whose first byte other than blanks, tabs and line ends is '<' is
// read as XML (readXmlPlaylist).
// Throws kw::err::IOError when the file cannot be opened or read (nothing
// written to `progress` on an open failure), kw::err::Error for a broken
// header, a file that is no playlist or an XML document refused.
void readPlaylist(PlayList& list, std::ostream& progress = std::cout,
                  std::ostream& warnings = std::cerr);

// Reads the file `songs.fileName()` like readPlaylist, with the same output
// and errors, appending to `songs` only each song's path and information
// line: the form of a validList of a large library, read without a heap
// allocation per song. The songs of a file in the ANSI code page are
// appended as UTF-8. Also throws what SongList::add throws.
void readSongs(SongList& songs, std::ostream& progress = std::cout,
               std::ostream& warnings = std::cerr);

// Reads as much of the file `list.fileName` as tells how readPlaylist would
// read it, writing nothing: sets `list.plsFormat` for PLS; an XML playlist
// is read whole (its entries and `list.xmlSource`, as readPlaylist would
// leave them); of M3U and PLS only the header is read. Throws what
// readPlaylist throws for the file: its refusals, header and XML errors, and
// kw::err::IOError when it cannot be opened or read. `list` should be empty.
void detectPlaylist(PlayList& list);

// The error every reader raises for a file it refuses: "Error in <fileName>
// (#<line>): <message>", line 0 standing for the file as a whole.
err::Error readerError(const std::string& fileName, std::uint64_t line, const std::string& message);

}  // namespace kw

#endif  // PLAYLIST_READER_H_
