// Small but valid tagged audio files for the tests, the benchmark and the
// demo: a few frames of silence in MPEG-1 Layer III (.mp3), FLAC (.flac),
// RIFF WAVE (.wav) or Opus in Ogg (.opus, .ogg), tagged by TagLib itself.
#ifndef TESTS_SUPPORT_AUDIO_FILES_H_
#define TESTS_SUPPORT_AUDIO_FILES_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace trackmend_test {

struct AudioSpec {
  // Empty: that tag is not set (no tag at all when both are empty).
  std::string title;
  std::string artist;
  // The length the stream header declares (MP3: the Xing frame count, FLAC:
  // the sample count, Opus: the last granule position), so that a file of
  // a few hundred bytes reads as a song of that length. 0: the real length
  // of the silence written. WAV always has its real length.
  int seconds = 0;
  // The audio data is padded with more silence up to at least this size.
  std::size_t minBytes = 0;
};

// Whether writeAudioFile can write a file with this extension (".mp3",
// ".flac", ".wav", ".opus", ".ogg"; letter case ignored).
bool canWriteAudio(std::string_view fileName);

// Writes the file `path` (replacing it) in the format its extension names,
// then sets the tags of `spec` with TagLib. Throws std::runtime_error for an
// unknown extension or when the file cannot be written or tagged.
void writeAudioFile(const std::string& path, const AudioSpec& spec);

}  // namespace trackmend_test

#endif  // TESTS_SUPPORT_AUDIO_FILES_H_
