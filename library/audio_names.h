// Which files of a music folder are songs: those with an audio extension.
// The list is the one that refuses audio files as playlists, so that the
// two can never disagree: audioExtensions() and isAudioFileName() live in
// playlist/signatures.h.
#ifndef LIBRARY_AUDIO_NAMES_H_
#define LIBRARY_AUDIO_NAMES_H_

#include "playlist/signatures.h"

#endif  // LIBRARY_AUDIO_NAMES_H_
