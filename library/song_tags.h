// The tags of one song file, read with TagLib, turned into the information
// line of its playlist entry.
#ifndef LIBRARY_SONG_TAGS_H_
#define LIBRARY_SONG_TAGS_H_

#include <string>

namespace kw {

struct SongTags {
  std::string title;   // UTF-8, may hold any character
  std::string artist;  // UTF-8, may hold any character
  int seconds = 0;     // 0 when the length is not known
};

// "#EXTINF:<seconds>,<artist> - <title>", or "#EXTINF:<seconds>,<title>"
// when there is no artist; "" when there is no title. In both texts every
// control character (below 0x20, and 0x7F) becomes a blank, so that no tag
// can split a playlist line, and blanks at either end are dropped, as a
// playlist reader drops them; a text that is then empty counts as absent.
// A negative length counts as 0.
std::string infoLine(const SongTags& tags);

struct SongRead {
  // False when the file could not be opened; `failure` then holds the
  // system's reason.
  bool opened = false;
  std::string failure;
  // The information line (infoLine), "" when the file has no title or is
  // no audio file TagLib can read (damaged, truncated, another format).
  std::string infoLine;
  // True when reading the tags was given up (SongStream::exhausted(): a
  // damaged or crafted file that sends the reader round in circles); the
  // information line is then "".
  bool tagsUnreadable = false;
};

// Opens the file `path` and reads its tags and length: in the format its
// extension names, or, when that does not fit, in the format its content
// shows, on a SongStream that bounds the work a file may cause. Never
// throws for the content of the file, and writes nothing to any stream (TagLib's own messages are
// silenced). Safe to call on several threads at once for different files.
SongRead readSong(const std::string& path);

}  // namespace kw

#endif  // LIBRARY_SONG_TAGS_H_
