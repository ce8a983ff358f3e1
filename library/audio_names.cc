#include "library/audio_names.h"

#include <algorithm>
#include <array>

#include "playlist/numbers.h"

namespace kw {
namespace {

// The formats players and TagLib know, with the usual spellings of each.
constexpr std::array<std::string_view, 19> kExtensions = {
    "mp3", "mp2", "flac", "ogg", "oga", "opus", "spx", "m4a", "m4b", "aac",
    "wma", "wav", "aif", "aiff", "aifc", "ape", "wv",  "mpc", "tta"};

}  // namespace

std::span<const std::string_view> audioExtensions() { return kExtensions; }

bool isAudioFileName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view extension = name.substr(dot + 1);
  return std::any_of(kExtensions.begin(), kExtensions.end(),
                     [extension](std::string_view known) { return equalsIgnoringCase(extension, known); });
}

}  // namespace kw
