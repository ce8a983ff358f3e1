// Telling files that are certainly no playlist by their first bytes: a song,
// a video, a cover image or an archive handed over by a shell glob must be
// refused before the reader takes its bytes for M3U lines.
#ifndef PLAYLIST_SIGNATURES_H_
#define PLAYLIST_SIGNATURES_H_

#include <string_view>

namespace kw {

// True when `head`, the first bytes of a file (a few dozen suffice), starts
// with the signature of an audio, video, image or archive format: ID3v2, an
// MPEG audio or ADTS frame header, FLAC, Ogg, RIFF (WAV, AVI, WebP), AIFF,
// the ASF header, an ISO media "ftyp" box, Matroska/WebM, MIDI, Monkey's
// Audio, WavPack, Musepack, JPEG, PNG, GIF, BMP, TIFF, PDF, ZIP, gzip, bzip2,
// xz, 7-Zip or RAR. ASCII-looking signatures are confirmed by the binary
// fields that follow them, so that a text line such as "ID3 tags/a.mp3" or
// "RIFF.mp3" is not taken for one.
bool startsWithMediaSignature(std::string_view head);

}  // namespace kw

#endif  // PLAYLIST_SIGNATURES_H_
