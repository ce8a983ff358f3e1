#include "playlist/xml_text.h"

#include <algorithm>

#include "Lib/kw/err/error.h"
#include "playlist/charset_tables.h"
#include "playlist/numbers.h"

namespace kw::xml {
namespace {

constexpr size_t kNone = std::string_view::npos;

bool isXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// The position after the first `pattern` at or after `from`, or the end.
size_t after(std::string_view doc, std::string_view pattern, size_t from) {
  const size_t found = doc.find(pattern, from);
  return found == kNone ? doc.size() : found + pattern.size();
}

// The position after the '>' of the tag starting at `lt`, stepping over
// quoted attribute values (which may hold '>').
size_t tagEnd(std::string_view doc, size_t lt, bool& selfClosing) {
  for (size_t k = lt + 1; k < doc.size(); ++k) {
    const char c = doc[k];
    if (c == '"' || c == '\'') {
      k = doc.find(c, k + 1);
      if (k == kNone) break;
    } else if (c == '>') {
      selfClosing = doc[k - 1] == '/';
      return k + 1;
    }
  }
  selfClosing = false;
  return doc.size();
}

// The end of the comment, CDATA section, processing instruction or
// declaration at `lt`, or kNone when `lt` starts a tag.
size_t markupEnd(std::string_view doc, size_t lt) {
  const std::string_view rest = doc.substr(lt);
  if (rest.starts_with("<!--")) return after(doc, "-->", lt + 4);
  if (rest.starts_with("<![CDATA[")) return after(doc, "]]>", lt + 9);
  if (rest.starts_with("<?")) return after(doc, "?>", lt + 2);
  if (rest.starts_with("<!")) return after(doc, ">", lt + 2);
  return kNone;
}

void appendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the UTF-8 sequence at `k`, with its character in `c`; 0 when
// the bytes there are no well-formed sequence.
size_t utf8SequenceAt(std::string_view s, size_t k, char32_t& c) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned first = byte(k);
  if (first < 0x80) {
    c = first;
    return 1;
  }
  size_t length;
  char32_t minimum;
  if ((first & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, c = first & 0x1F;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, c = first & 0x0F;
  } else if ((first & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, c = first & 0x07;
  } else {
    return 0;
  }
  if (k + length > s.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(k + i) & 0xC0) != 0x80) return 0;
    c = c << 6 | (byte(k + i) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// The character of the reference at `amp` (its '&') and the position after
// its ';'; nullopt when no valid reference starts there.
std::optional<std::pair<char32_t, size_t>> referenceAt(std::string_view text, size_t amp) {
  static constexpr struct {
    std::string_view name;
    char32_t c;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}};
  const std::string_view rest = text.substr(amp);
  for (const auto& entity : kEntities) {
    if (rest.starts_with(entity.name)) return std::make_pair(entity.c, amp + entity.name.size());
  }
  if (!rest.starts_with("&#")) return std::nullopt;
  const bool hex = rest.size() > 2 && rest[2] == 'x';
  size_t k = hex ? 3 : 2;
  char32_t value = 0;
  const size_t firstDigit = k;
  for (; k < rest.size() && rest[k] != ';'; ++k) {
    const char d = asciiLower(rest[k]);
    int digit = d >= '0' && d <= '9' ? d - '0' : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    if (value > 0x10FFFF) return std::nullopt;
  }
  if (k == firstDigit || k == rest.size() || !isXmlChar(value)) return std::nullopt;
  return std::make_pair(value, amp + k + 1);
}

// Character data between `begin` and `end` of `doc`, decoded; with `markup`
// the range is element content that may hold tags, comments and CDATA.
std::string decodedRange(std::string_view doc, size_t begin, size_t end, TextCodec& codec, bool markup) {
  std::string result, literal;
  const auto flush = [&] {
    result += codec.toUtf8(literal);
    literal.clear();
  };
  const auto addLiteral = [&](std::string_view bytes) {
    for (size_t k = 0; k < bytes.size(); ++k) {
      if (bytes[k] == '\r' && k + 1 < bytes.size() && bytes[k + 1] == '\n') ++k;
      literal += isXmlBlank(bytes[k]) ? ' ' : bytes[k];
    }
  };
  for (size_t k = begin; k < end;) {
    if (markup && doc[k] == '<') {
      if (doc.substr(k).starts_with("<![CDATA[")) {
        const size_t close = std::min(doc.find("]]>", k + 9), end);
        addLiteral(doc.substr(k + 9, close - (k + 9)));
      }
      const size_t next = markupEnd(doc, k);
      k = next != kNone ? next : elementAt(doc, k).whole.end;
      continue;
    }
    if (doc[k] == '&') {
      if (const auto reference = referenceAt(doc.substr(0, end), k)) {
        flush();
        appendUtf8(reference->first, result);
        k = reference->second;
        continue;
      }
    }
    const size_t next = std::min(doc.find_first_of(markup ? "<&" : "&", k + 1), end);
    addLiteral(doc.substr(k, next - k));
    k = next;
  }
  flush();
  const size_t first = result.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return result.substr(first, result.find_last_not_of(' ') - first + 1);
}

}  // namespace

Element elementAt(std::string_view doc, size_t start) {
  Element element;
  element.whole.begin = start;
  size_t k = tagEnd(doc, start, element.selfClosing);
  if (element.selfClosing) {
    element.content = {k - 2, k - 2};
    element.whole.end = k;
    return element;
  }
  element.content.begin = k;
  for (int depth = 1; k < doc.size();) {
    const size_t lt = doc.find('<', k);
    if (lt == kNone) break;
    if (const size_t next = markupEnd(doc, lt); next != kNone) {
      k = next;
    } else if (lt + 1 < doc.size() && doc[lt + 1] == '/') {
      k = after(doc, ">", lt);
      if (--depth == 0) {
        element.content.end = lt;
        element.whole.end = k;
        return element;
      }
    } else {
      bool selfClosing;
      k = tagEnd(doc, lt, selfClosing);
      if (!selfClosing) ++depth;
    }
  }
  element.content.end = element.whole.end = doc.size();  // unclosed: the parser refuses such documents
  return element;
}

std::string_view elementName(std::string_view doc, size_t start) {
  const size_t end = std::min(doc.find_first_of(" \t\r\n/>", start + 1), doc.size());
  return doc.substr(start + 1, end - start - 1);
}

std::optional<AttributeValue> attributeOf(std::string_view doc, size_t start, std::string_view name) {
  size_t k = start + 1 + elementName(doc, start).size();
  for (;;) {
    k = doc.find_first_not_of(" \t\r\n", k);
    if (k == kNone || doc[k] == '>' || doc[k] == '/') return std::nullopt;
    const size_t nameEnd = std::min(doc.find_first_of(" \t\r\n=", k), doc.size());
    const std::string_view found = doc.substr(k, nameEnd - k);
    const size_t quote = doc.find_first_of("\"'", nameEnd);
    if (quote == kNone) return std::nullopt;
    const size_t close = doc.find(doc[quote], quote + 1);
    if (close == kNone) return std::nullopt;
    if (found.size() == name.size() && startsWithIgnoringCase(found, name)) {
      return AttributeValue{{quote + 1, close}, doc[quote]};
    }
    k = close + 1;
  }
}

bool isValidUtf8(std::string_view bytes) {
  char32_t c;
  for (size_t k = 0; k < bytes.size();) {
    if (static_cast<unsigned char>(bytes[k]) < 0x80) {
      ++k;
      continue;
    }
    const size_t length = utf8SequenceAt(bytes, k, c);
    if (length == 0) return false;
    k += length;
  }
  return true;
}

std::optional<std::string> supportedCharset(std::string_view declared) {
  std::string name;
  for (const char c : declared) name += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  if (name.empty() || name == "UTF-8" || name == "UTF8") return "UTF-8";
  if (name == "US-ASCII" || name == "ASCII") return "ASCII";
  if (name == "LATIN1" || name == "L1") return "ISO-8859-1";
  for (const char* prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"}) {
    if (!name.starts_with(prefix)) continue;
    const std::string number = name.substr(std::string_view(prefix).size());
    const int n = atoiClamped(number);
    if (n >= 1 && n <= 16 && n != 12 && number == std::to_string(n)) return "ISO-8859-" + number;
  }
  for (const char* prefix : {"WINDOWS-", "CP", "X-CP"}) {
    if (!name.starts_with(prefix)) continue;
    const std::string number = name.substr(std::string_view(prefix).size());
    if (number.size() == 4 && number >= "1250" && number <= "1258") return "WINDOWS-" + number;
  }
  return std::nullopt;
}

namespace {

const CharsetTable* tableNamed(const std::string& charset) {
  for (const CharsetTable& table : charsetTables()) {
    if (charset == table.name) return &table;
  }
  return nullptr;
}

// The character `table` joins `base` and `mark` into, or 0.
char32_t composed(const CharsetTable& table, char32_t base, char32_t mark) {
  const auto below = [](const Composition& c, std::pair<char32_t, char32_t> key) {
    return std::pair<char32_t, char32_t>(c.base, c.mark) < key;
  };
  const auto key = std::make_pair(base, mark);
  const auto found = std::lower_bound(table.compositions.begin(), table.compositions.end(), key, below);
  return found != table.compositions.end() && found->base == base && found->mark == mark ? found->composed : 0;
}

}  // namespace

TextCodec::TextCodec(const std::string& charset)
    : utf8_(charset == "UTF-8"),
      reading_(tableNamed(utf8_ ? "WINDOWS-1252" : charset)),
      writing_(utf8_ ? nullptr : reading_) {
  if (!reading_) throw err::Error(true, err::formatString("Cannot convert the character set %s", charset.c_str()));
}

std::string TextCodec::toUtf8(std::string_view bytes) const {
  if (bytes.empty() || (utf8_ && isValidUtf8(bytes))) return std::string(bytes);
  std::string result;
  result.reserve(bytes.size() * 2);
  // The last character stays open while a combining mark may still join it.
  char32_t open = 0;
  bool isOpen = false;
  for (const char byte : bytes) {
    const unsigned char b = static_cast<unsigned char>(byte);
    const char32_t c = b < 0x80 ? b : reading_->high[b - 0x80];
    if (c == 0xFFFF) {  // undefined: its Latin-1 character, which joins nothing
      if (isOpen) appendUtf8(open, result);
      isOpen = false;
      appendUtf8(b, result);
      continue;
    }
    if (isOpen && !reading_->compositions.empty()) {
      if (const char32_t joined = composed(*reading_, open, c)) {
        open = joined;
        continue;
      }
    }
    if (isOpen) appendUtf8(open, result);
    open = c;
    isOpen = true;
  }
  if (isOpen) appendUtf8(open, result);
  return result;
}

void TextCodec::appendCharacter(char32_t codePoint, std::string& out) const {
  if (utf8_ || codePoint < 0x80) {
    appendUtf8(codePoint, out);
    return;
  }
  if (codePoint < 0xFFFF) {
    for (unsigned k = 0; k < 128; ++k) {
      if (writing_->high[k] == codePoint) {
        out += static_cast<char>(0x80 + k);
        return;
      }
    }
    const auto extra = std::lower_bound(
        writing_->extra.begin(), writing_->extra.end(), codePoint,
        [](const ExtraEncoding& e, char32_t c) { return e.codePoint < c; });
    if (extra != writing_->extra.end() && extra->codePoint == codePoint) {
      out.append(reinterpret_cast<const char*>(extra->bytes), extra->length);
      return;
    }
  }
  out += "&#" + std::to_string(static_cast<unsigned long>(codePoint)) + ";";
}

std::string contentText(std::string_view doc, Span content, TextCodec& codec) {
  return decodedRange(doc, content.begin, content.end, codec, true);
}

std::string attributeText(std::string_view doc, Span value, TextCodec& codec) {
  return decodedRange(doc, value.begin, value.end, codec, false);
}

std::string escaped(std::string_view text, TextCodec& codec, char quote) {
  std::string out;
  out.reserve(text.size());
  for (size_t k = 0; k < text.size();) {
    char32_t c;
    const size_t length = utf8SequenceAt(text, k, c);
    if (length == 0) c = static_cast<unsigned char>(text[k]);
    k += length == 0 ? 1 : length;
    if (!isXmlChar(c)) continue;
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      case '"': out += quote == '"' ? "&quot;" : "\""; break;
      case '\'': out += quote == '\'' ? "&apos;" : "'"; break;
      default: codec.appendCharacter(c, out);
    }
  }
  return out;
}

std::optional<BadReference> badReference(std::string_view raw) {
  for (size_t amp = raw.find('&'); amp != kNone; amp = raw.find('&', amp + 1)) {
    if (referenceAt(raw, amp)) continue;
    const size_t semicolon = raw.find(';', amp);
    const std::string_view shown = raw.substr(amp, std::min<size_t>(semicolon == kNone ? 1 : semicolon - amp + 1, 40));
    std::string description;
    if (shown.starts_with("&#")) {
      description = "Bad character reference '" + std::string(shown) + "'";
    } else if (semicolon != kNone && shown.back() == ';' && shown.size() > 2 &&
               shown.find_first_of(" \t\r\n<&\"'", 1) == kNone) {
      description = "Undefined entity '" + std::string(shown) + "'";
    } else {
      description = "'&' that starts no reference";
    }
    return BadReference{amp, description};
  }
  return std::nullopt;
}

}  // namespace kw::xml
