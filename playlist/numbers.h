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

}  // namespace kw

#endif  // PLAYLIST_NUMBERS_H_
