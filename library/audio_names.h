// Which files of a music folder are songs: those with an audio extension.
#ifndef LIBRARY_AUDIO_NAMES_H_
#define LIBRARY_AUDIO_NAMES_H_

#include <span>
#include <string_view>

namespace kw {

// The audio extensions, lower case and without the dot.
std::span<const std::string_view> audioExtensions();

// True when the part of `name` after its last '.' is one of
// audioExtensions(), letter case ignored. A name without a '.' or with
// nothing before its last '.' (".mp3") is no song.
bool isAudioFileName(std::string_view name);

}  // namespace kw

#endif  // LIBRARY_AUDIO_NAMES_H_
