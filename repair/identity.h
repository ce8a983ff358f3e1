// The identity of a song (title, artist, length, with what its path tells)
// and the rule by which an entry and a validList song are the same song: the
// -i rule, which settles a moved and renamed song by what it is rather than
// by how its path reads.
#ifndef REPAIR_IDENTITY_H_
#define REPAIR_IDENTITY_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/song_list.h"

namespace kw {

// `text` as identities compare it: read as UTF-8, or as Windows-1252 when it
// is not UTF-8; '&' becomes "and"; letter case folded and accents removed
// (É, é and e alike; any letter followed by combining marks; the letters of
// the Basic Multilingual Plane as repair/fold_table.h folds them: Latin,
// Greek with final sigma, Cyrillic, Vietnamese); each run of characters that
// are neither letters nor digits (ASCII punctuation and blanks, Latin-1
// signs, general and CJK punctuation, symbols) becomes one blank; no blank
// at either end.
std::string foldedText(std::string_view text);

// What is known of one song, every text folded.
struct SongIdentity {
  // A title the song may have: the information line's, or one read from
  // the file name. `artist` is not empty when the title is the file name
  // less an "<artist> - " prefix: the title then holds only when that
  // artist is known from elsewhere (a folder of either song, or the other
  // song's artist). `track` is the file name's track number that this
  // reading leaves out ("7", "a1"); empty when the number is part of the
  // title ("99 Problems") or the name has none.
  struct Title {
    std::string text;
    std::string artist;
    std::string track;
    bool operator==(const Title&) const = default;
  };
  std::vector<Title> titles;  // never empty; a text is empty only for an empty file name
  // The titles are the information line's, and it names no file (as a
  // player's "07 - Title.flac" of an untagged song does).
  bool titlesFromLine = false;
  std::string artist;         // from the information line; empty: not known
  int seconds = 0;            // from the information line; 0: not known
  // Every folder name of the path, the part before the first " - " of each
  // that has one, and "the <name>" for each "<name>, The".
  std::vector<std::string> folders;
  std::string album;           // the file's folder, or the one above "CD n"/"Disc n"; may be empty
  // The album folder's title: the name, or its part after the first " - ",
  // without years (a name of years alone keeps the first); may be empty.
  std::string albumTitle;
  // albumTitle, and for "<artist> - <album>" also "<artist> <albumTitle>".
  std::vector<std::string> albumNames;
  // Who the folders and the file name guess the artist to be: the folder
  // above the album folder, the part before " - " of the album folder, the
  // file name's "<artist> - " prefix ("the <name>" for "<name>, The"). None
  // for a path without folders.
  std::vector<std::string> artistGuesses;
};

// The identity of the song at `path` with the information line `info`
// (an "#EXTINF:<seconds>,<artist> - <title>" line, split at the first " - "
// unless what stands before it is a track number; a title alone without
// one). Without a line, or when its title is empty ("Artist - ") or folds to
// nothing, the titles come from the file name: less its extension and a
// leading track number ("01 ", "01 - ", "01. ", "1-01 ", "A1 "), tried both
// with and without that number, and less an "<artist> - " prefix. A line's
// title is tried the same ways but for the prefix, since players write the
// file name as the title of a song without tags. Folders are separated by
// '/' and '\'.
SongIdentity identityOf(std::string_view path, std::optional<std::string_view> info);

// The identity of `entry` (its path and information line).
SongIdentity identityOf(const PlaylistEntry& entry);

// Whether `a` and `b` are the same song by the -i rule, for some title of
// each that is equal (a title read less an artist prefix counts when that
// artist is known from elsewhere):
// - artists equal when both are known; one known on one side only must
//   equal a folder name of the other's path (or its part before " - ");
//   known on neither side, the artist guesses of the two paths must share
//   one when both have any, and a guess agrees when it is a folder name or
//   a guess of the other;
// - lengths within 2 seconds when both are known; otherwise the track
//   numbers the two titles leave out agree where both have one, and the
//   album folders are named alike (albumsAlike);
// - besides the title, the artist agreed or both lengths are known.
bool sameSong(const SongIdentity& a, const SongIdentity& b);

// Whether the album folders of `a` and `b` are named alike: a name of each
// (albumNames) is the same, or one albumTitle contains the other word for
// word and the words it has besides name no version ("live", "remastered",
// "demo", "acoustic", "unplugged", "mono", "instrumental", "remix",
// "karaoke", "session" and their plurals): "Nevermind" and "Nevermind
// (Deluxe Edition)", not "Greatest Hits" and "Greatest Hits Live".
bool albumsAlike(const SongIdentity& a, const SongIdentity& b);

// Whether what is known of `a` and `b` shows them to be different songs,
// whatever their paths: both titles come from information lines and no
// title of one equals one of the other, or both lengths are known and more
// than 2 seconds apart. With -i, the -a and -b rules never take a song that
// contradicts the entry.
bool contradicts(const SongIdentity& a, const SongIdentity& b);

// The songs of a validList by folded title, built once for many entries.
// Keeps a pointer to `songs`, which must outlive the index unchanged; holds
// 16 bytes per title of a song (with its length, a hash of its artist and
// the words of its album title), and works out a song's other facts again
// when a lookup meets one that these do not rule out.
class IdentityIndex {
 public:
  explicit IdentityIndex(const SongList& songs);

  // The positions of every song that is the same song as `entry` (by
  // sameSong), ascending. Songs whose artist, length or album title already
  // rules them out are passed over without reading their paths.
  std::vector<std::size_t> sameSongs(const SongIdentity& entry) const;

  // The song that -i takes for `entry` (its path as compared, and its
  // line): the only song that is the same song, or, when several are, the
  // only one of them whose album folder name equals the entry's; when none
  // does, the only one with an album name the same (without years, or
  // after an "Artist - "); when none has, the only one whose album folder
  // is named alike (albumsAlike). None when no song is, or the album
  // folders do not single one out, or the song is not in a folder of the
  // entry's album name (albumTier's first two tiers) while the validList
  // has such a folder for an artist the entry knows or guesses.
  std::optional<std::size_t> onlySameSong(const PlaylistEntry& entry) const;

  const SongList& songs() const { return *songs_; }

 private:
  // What rules a song out without reading its path again.
  struct Key {
    std::uint32_t title;    // a hash of the folded title
    std::uint32_t song;     // a validList holds less than 4 GiB of text
    std::uint16_t seconds;  // 0: not known (or too long to keep)
    std::uint16_t artist;   // a hash of the folded artist, 0: not known
    std::uint32_t album;    // a bit for each word of the album title
    auto operator<=>(const Key&) const = default;
  };
  SongIdentity identityOfSong(std::size_t k) const;
  // Whether the validList has a folder of `entry`'s album name for an
  // artist `entry` knows or guesses.
  bool albumStillThere(const SongIdentity& entry) const;

  const SongList* songs_;
  std::vector<Key> keys_;              // sorted
  std::vector<std::uint64_t> albums_;  // album folder names with their artists, hashed (albumKeys); sorted
};

}  // namespace kw

#endif  // REPAIR_IDENTITY_H_
