// Telling files that are certainly no playlist by their first bytes: a song,
// a video, a cover image or an archive handed over by a shell glob must be
// refused before the reader takes its bytes for M3U lines.
#ifndef PLAYLIST_SIGNATURES_H_
#define PLAYLIST_SIGNATURES_H_

#include <cstddef>
#include <span>
#include <string_view>

namespace kw {

// How many first bytes of a file startsWithMediaSignature() looks at, at
// most (ISO 9660 has its mark past 32 KiB).
constexpr std::size_t kSignatureReach = 32775;

// True when `head`, the first bytes of a file (up to kSignatureReach of
// them; fewer when the file is shorter), starts with the signature of an
// audio, video, image or archive format: ID3v2, an MPEG audio or ADTS frame
// header, FLAC, Ogg, RIFF (WAV, AVI, WebP), AIFF, the ASF header, an ISO
// media "ftyp" box, Matroska/WebM, MIDI, Monkey's Audio, WavPack, Musepack,
// TTA, TAK, DSF, DSDIFF, AC-3, DTS, Wave64, CAF, Sun AU, MOD, XM, IT, S3M,
// JPEG, PNG, GIF, BMP, TIFF, PDF, ZIP, gzip, bzip2, xz, 7-Zip, RAR, an ISO
// 9660 image or an AppleDouble file. ASCII-looking signatures are confirmed
// by the binary fields that follow them, so that a text line such as
// "ID3 tags/a.mp3" or "RIFF.mp3" is not taken for one.
bool startsWithMediaSignature(std::string_view head);

// True when `head`, the first bytes of a text file (a UTF-8 byte-order mark
// allowed), is a cue sheet: among its first 64 lines that are not blank,
// after leading blanks and tabs, one is "FILE " with a quoted or unquoted
// name and a word after it, and one is "TRACK " with digits and a word after
// them, letter case ignored.
bool looksLikeCueSheet(std::string_view head);

// The audio extensions, lower case and without the dot: the folder scan's
// songs, and names that are never read or replaced as a playlist.
std::span<const std::string_view> audioExtensions();

// True when the last part of `name` (after its last '/') has an extension,
// after a '.' that is not its first character, that is one of
// audioExtensions(), letter case ignored. "a.MP3" and "x/.y/a.flac" are
// audio names; ".mp3" and "a.mp3/b" are not.
bool isAudioFileName(std::string_view name);

}  // namespace kw

#endif  // PLAYLIST_SIGNATURES_H_
