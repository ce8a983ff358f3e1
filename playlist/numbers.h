// Number and letter helpers shared by the playlist reader and writer.
#ifndef PLAYLIST_NUMBERS_H_
#define PLAYLIST_NUMBERS_H_

#include <string_view>

namespace kw {

// The decimal number `text` starts with, read as by atoi (leading white
// space and one sign accepted, reading stops at the first non-digit, 0 when
// there is no digit), except that values beyond the int range clamp to
// INT_MIN or INT_MAX instead of overflowing.
int atoiClamped(std::string_view text);

// ASCII lower case; every other byte is returned unchanged.
inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` begins with the lower-case `prefix`, ignoring the letter
// case of `text`.
inline bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (asciiLower(text[i]) != prefix[i]) return false;
  }
  return true;
}

// Whether `text` is the lower-case `lower`, ignoring the letter case of `text`.
inline bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() && startsWithIgnoringCase(text, lower);
}

// An M3U information line: one beginning with "#EXTINF" in any letter case.
inline bool isInfoLine(std::string_view line) { return startsWithIgnoringCase(line, "#extinf"); }

// The PLS header line, "[playlist]" in any letter case, followed by nothing
// but blanks and tabs.
inline bool isPlsHeaderLine(std::string_view line) {
  return startsWithIgnoringCase(line, "[playlist]") && line.find_first_not_of(" \t", 10) == std::string_view::npos;
}

}  // namespace kw

#endif  // PLAYLIST_NUMBERS_H_
