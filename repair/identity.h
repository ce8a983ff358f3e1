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
// (É, é and e alike: Latin letters, and any letter followed by combining
// marks); each run of characters that are neither letters nor digits (ASCII
// punctuation and blanks, Latin-1 signs, general and CJK punctuation,
// symbols) becomes one blank; no blank at either end. Other scripts keep
// their letters (Greek and Cyrillic in lower case).
std::string foldedText(std::string_view text);

// What is known of one song, every text folded.
struct SongIdentity {
  // A title the song may have: the information line's, or one read from
  // the file name. `artist` is not empty when the title is the file name
  // less an "<artist> - " prefix: the title then holds only when that
  // artist is known from elsewhere (a folder of either song, or the other
  // song's artist).
  struct Title {
    std::string text;
    std::string artist;
    bool operator==(const Title&) const = default;
  };
  std::vector<Title> titles;  // never empty; a text is empty only for an empty file name
  std::string artist;         // from the information line; empty: not known
  int seconds = 0;            // from the information line; 0: not known
  std::string track;          // the file name's track number ("7", "a1"); empty: none
  // Every folder name of the path, the part before the first " - " of each
  // that has one, and "the <name>" for each "<name>, The".
  std::vector<std::string> folders;
  std::string album;           // the file's folder, or the one above "CD n"/"Disc n"; may be empty
  // The album folder's name without years, and for "<artist> - <album>"
  // also the part after the first " - " without years.
  std::vector<std::string> albumNames;
  // The folder above the album folder ("the <name>" for "<name>, The"): a
  // guess; may be empty.
  std::string folderArtist;
};

// The identity of the song at `path` with the information line `info`
// (an "#EXTINF:<seconds>,<artist> - <title>" line, split at the first " - "
// unless what stands before it is a track number; a title alone without
// one). Without a line, or when its title folds to nothing, the titles come
// from the file name: less its extension and a leading track number ("01 ",
// "01 - ", "01. ", "1-01 ", "A1 "), tried both with and without that
// number, and less an "<artist> - " prefix. A line's title is tried the
// same ways but for the prefix, since players write the file name as the
// title of a song without tags. Folders are separated by '/' and '\'.
SongIdentity identityOf(std::string_view path, std::optional<std::string_view> info);

// Whether `a` and `b` are the same song by the -i rule:
// - a title of each is equal (a title read less an artist prefix counts
//   when that artist is known from elsewhere);
// - artists equal when both are known; one known on one side only must
//   equal a folder name of the other's path (or its part before " - ");
//   known on neither side, a folder guess counts only when it agrees with
//   a folder name of the other, and its disagreement rejects nothing;
// - lengths within 2 seconds when both are known; otherwise the track
//   numbers agree where both names carry one, and the album folders are
//   named alike: a name of each (albumNames) is the same;
// - besides the title, the artist agreed or both lengths are known.
bool sameSong(const SongIdentity& a, const SongIdentity& b);

// The songs of a validList by folded title, built once for many entries.
// Keeps a pointer to `songs`, which must outlive the index unchanged; holds
// 16 bytes per title of a song, and works out a song's other facts again
// when a lookup meets it.
class IdentityIndex {
 public:
  explicit IdentityIndex(const SongList& songs);

  // The positions of every song that is the same song as `entry` (by
  // sameSong), ascending.
  std::vector<std::size_t> sameSongs(const SongIdentity& entry) const;

  // The song that -i takes for `entry` (its path as compared, and its
  // line): the only song that is the same song, or, when several are, the
  // only one of them whose album folder name equals the entry's, or when
  // none does, the only one whose album folder is named alike. None when
  // no song is, or the album folders do not single one out.
  std::optional<std::size_t> onlySameSong(const PlaylistEntry& entry) const;

  const SongList& songs() const { return *songs_; }

 private:
  struct Key {
    std::uint64_t hash;
    std::size_t song;
    auto operator<=>(const Key&) const = default;
  };
  SongIdentity identityOfSong(std::size_t k) const;

  const SongList* songs_;
  std::vector<Key> keys_;  // sorted
};

}  // namespace kw

#endif  // REPAIR_IDENTITY_H_
