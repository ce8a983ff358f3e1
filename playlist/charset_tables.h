// The single-byte character sets an XML playlist may declare, as data:
// generated once from the GNU C library's iconv by
// scripts/generate_charsets.py, so that every platform reads and writes the
// same bytes the same way.
#ifndef PLAYLIST_CHARSET_TABLES_H_
#define PLAYLIST_CHARSET_TABLES_H_

#include <span>

namespace kw::xml {

// A character the set writes other than as the one byte `high` gives it: a
// letter as a base letter and combining marks (up to three bytes).
struct ExtraEncoding {
  char16_t codePoint;
  unsigned char length;
  unsigned char bytes[3];
};

// A letter and a following combining mark that the set's readers join into
// one character.
struct Composition {
  char16_t base;
  char16_t mark;
  char16_t composed;
};

// Bytes below 0x80 are ASCII in every set.
struct CharsetTable {
  const char* name;          // as supportedCharset gives it
  const char16_t* high;      // the characters of bytes 0x80..0xFF; 0xFFFF where the set defines none
  std::span<const ExtraEncoding> extra;         // ascending by code point
  std::span<const Composition> compositions;    // ascending by base, then mark
};

// Every set supportedCharset can name except UTF-8.
std::span<const CharsetTable> charsetTables();

}  // namespace kw::xml

#endif  // PLAYLIST_CHARSET_TABLES_H_
