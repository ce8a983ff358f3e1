// XSPF, WPL and ASX playlists: read into entries, and saved by splicing the
// changes into the document as it was read, so that every byte the tool did
// not change (declaration, processing instructions, comments, extensions,
// quoting, references, encoding, whitespace, line ends) stays as it was.
#ifndef PLAYLIST_XML_PLAYLIST_H_
#define PLAYLIST_XML_PLAYLIST_H_

#include <cstddef>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>

#include "playlist/playlist.h"

namespace kw {

namespace file {
class InputFile;
}

// Whether a file whose first block is `head` is read as XML: after an
// optional UTF-8 byte-order mark and any blanks, tabs and line ends, its
// first byte is '<'.
bool looksLikeXml(std::string_view head);

// Reads the XML playlist that `in` has open (nothing consumed yet) and
// appends one entry per track that has a location: XSPF <track><location>,
// WPL <media src>, ASX <entry><ref href> (entries inside <repeat> included).
// Names of elements and attributes in any letter case; an XSPF in a prefixed
// namespace matches by the root's prefix. The path: a file:// URI decoded, a
// Windows path or another URI as written, any other reference (relative or
// absolute) percent-decoded except in WPL, whose src is a plain path; never
// resolved. The information line, for a track with a title:
// "#EXTINF:<seconds>,<creator> - <title>" (XSPF <creator>, ASX <author>; the
// title alone without one; seconds from XSPF <duration> milliseconds, else 0).
// Text is taken in UTF-8. Writes "Detected xspf format.\n" (wpl, asx) to
// `progress`. Attaches the document to `list.xmlSource` when `list` had no
// entries before.
// Throws kw::err::Error "Error in <file> (#<line>): <message>" for a document
// that is not well-formed ("XML error: <description>", with its line), has
// an undefined entity or a bad character reference, an encoding the tool
// cannot convert, is UTF-16, or has another root ("Not a playlist: XML
// document '<root>'.", line 0); kw::err::IOError when reading fails.
void readXmlPlaylist(file::InputFile& in, PlayList& list, std::ostream& progress);

// Whether saving `list` splices into its XML document: it was read from one
// into an empty list, still has one entry per track read (deleted ones
// included), and is not to be written as PLS.
bool writesXml(const PlayList& list);

// Whether saving `list` can write `path` as a changed location that reads
// back as the same bytes: false only for an XML playlist saved as XML
// (writesXml) when `path` is not valid UTF-8 and the playlist is a WPL
// (its src attribute holds characters and WPL knows no escapes for bytes)
// or `path` is a URI other than a local file:// one (read back as written,
// its escapes undecoded).
bool holdsPath(const PlayList& list, std::string_view path);

// Whether giving entry `entry` of `list` (writesXml) the information line
// `info` changes the bytes saved for its track: its title, creator or
// duration as writeXmlPlaylist would write them differ from what the
// document holds. False in a WPL, which keeps no information line; an XSPF
// duration within a second of the line's length and an ASX track, which
// has none, are no change.
bool changesXmlInfo(const PlayList& list, std::size_t entry, const std::string& info);

// The name `list` is saved under when writesXml(list): the extension of the
// file part made ".xspf", ".wpl" (".zpl" kept) or ".asx" (".wax" and ".wvx"
// kept), always in lower case.
std::string xmlPlaylistName(const PlayList& list);

// Hands the saved document of `list` to `write` in pieces, in order: the
// bytes as read, with the element of each deleted entry removed (with its
// line when it stands alone on one), each changed path written as the track
// wrote its location, and each changed information line's title (and XSPF
// duration, when the length is above 0) replaced or inserted after the
// location. Throws kw::err::InternalError unless writesXml(list), and what
// `write` throws.
void writeXmlPlaylist(const PlayList& list, const std::function<void(std::string_view)>& write);

}  // namespace kw

#endif  // PLAYLIST_XML_PLAYLIST_H_
