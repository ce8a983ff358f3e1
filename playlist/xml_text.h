// Byte-level work on an XML document that the parser has already found
// well-formed, for splicing changes into it without disturbing any other
// byte: where an element or an attribute value lies, the text it holds
// (decoded to UTF-8), and new text encoded and escaped for the document.
#ifndef PLAYLIST_XML_TEXT_H_
#define PLAYLIST_XML_TEXT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kw::xml {

// The bytes [begin, end) of a document.
struct Span {
  size_t begin = 0;
  size_t end = 0;
};

struct Element {
  Span whole;    // from its '<' to after the '>' of its end tag or of "/>"
  Span content;  // between the start and the end tag; empty, at the '/', for "<x/>"
  bool selfClosing = false;
};

// The element whose start tag begins at `start` (its '<'). Nested elements,
// comments, CDATA sections and processing instructions are stepped over with
// a depth counter, so any nesting depth costs no stack.
Element elementAt(std::string_view doc, size_t start);

// The name of the start tag at `start`, as written (prefix included).
std::string_view elementName(std::string_view doc, size_t start);

struct AttributeValue {
  Span value;  // between the quotes
  char quote = '"';
};

// The first attribute of the start tag at `start` whose name is `name` in
// any ASCII letter case; nullopt when it has none.
std::optional<AttributeValue> attributeOf(std::string_view doc, size_t start, std::string_view name);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

// The name under which the tool handles the character set an encoding
// declaration names ("UTF-8", "ASCII", "ISO-8859-n" or "WINDOWS-125n"), from
// its usual spellings in any letter case; nullopt for any other set.
std::optional<std::string> supportedCharset(std::string_view declared);

struct CharsetTable;

// Converts between a document's character set (one supportedCharset gave)
// and UTF-8, by the project's own tables (playlist/charset_tables.h), so that
// every platform reads a document alike. Holds no resources.
class TextCodec {
 public:
  // Throws kw::err::Error when there is no table for `charset`.
  explicit TextCodec(const std::string& charset);

  // Document bytes (free of markup) as UTF-8; a byte the set does not
  // define is taken as the Latin-1 character of its value. For UTF-8, bytes
  // that are not UTF-8 are taken as Windows-1252, which is what Windows
  // programs wrote without declaring it. A letter and a following combining
  // mark that the set's readers join (Windows-1255 and -1258) become one
  // character.
  std::string toUtf8(std::string_view bytes) const;
  // Appends the character `codePoint` in the document's set, or as a
  // character reference when the set cannot hold it.
  void appendCharacter(char32_t codePoint, std::string& out) const;

 private:
  bool utf8_;
  const CharsetTable* reading_;  // for UTF-8, Windows-1252
  const CharsetTable* writing_;  // none for UTF-8
};

// The text of the element content `content` of `doc`: character data and
// CDATA sections, references resolved, child elements, comments and
// processing instructions left out; tabs and line ends written as such
// become blanks (a referenced one stays); no blanks at either end. UTF-8.
std::string contentText(std::string_view doc, Span content, TextCodec& codec);

// The value of an attribute (the span between its quotes), the same way.
std::string attributeText(std::string_view doc, Span value, TextCodec& codec);

// `text` (UTF-8; a byte that is not part of UTF-8 counts as the Latin-1
// character of its value) ready to stand between tags, or between `quote`s
// when `quote` is not 0: '&', '<', '>' and the quote escaped, tabs and line
// ends as character references, characters XML cannot hold left out,
// characters the document's set cannot hold as character references.
std::string escaped(std::string_view text, TextCodec& codec, char quote = 0);

struct BadReference {
  size_t offset;            // of the '&' in the text checked
  std::string description;  // e.g. "Undefined entity '&nbsp;'"
};

// The first '&' in `raw` (character data or an attribute value as written)
// that does not start one of the five predefined entity references or a
// character reference to a character XML allows; nullopt when there is none.
std::optional<BadReference> badReference(std::string_view raw);

}  // namespace kw::xml

#endif  // PLAYLIST_XML_TEXT_H_
