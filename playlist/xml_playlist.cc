#include "playlist/xml_playlist.h"

#include <pugixml.hpp>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/file/input_file.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "playlist/numbers.h"
#include "playlist/path_forms.h"
#include "playlist/reader.h"
#include "playlist/xml_text.h"

namespace kw {

enum class XmlFormat { kXspf, kWpl, kAsx };

namespace {

constexpr size_t kAbsent = std::string::npos;

}  // namespace

// The document as read, shared (immutable) by the copies of its playlist.
class XmlSource {
 public:
  // Where one track stands in the document; only offsets, so that a large
  // playlist costs little beyond its bytes. Extents are measured when needed.
  struct Track {
    size_t start = 0;          // '<' of the track element
    size_t locationStart = 0;  // '<' of the element holding the location (WPL: the track itself)
    xml::Span location;        // the location as written: element content or attribute value
    char quote = 0;            // the attribute value's quote; 0 for element content
    size_t titleStart = kAbsent;
    size_t creatorStart = kAbsent;
    size_t durationStart = kAbsent;
  };

  std::string bytes;
  XmlFormat format = XmlFormat::kXspf;
  std::string charset;       // as declared, as supportedCharset names it
  std::string writeCharset;  // for new text: Windows-1252 when UTF-8 is declared but not written
  std::string prefix;        // the root's namespace prefix with its ':', or ""
  std::vector<Track> tracks;
};

namespace {

// Parsing keeps names and values as written: references are checked and
// decoded by the tool itself, from the original bytes.
constexpr unsigned kParseOptions = pugi::parse_minimal | pugi::parse_declaration | pugi::parse_embed_pcdata;

constexpr size_t kFlushSize = 1 << 20;

[[noreturn]] void refuse(const std::string& fileName, std::uint64_t line, const std::string& message) {
  throw readerError(fileName, line, message);
}

// The 1-based line of `offset`; LF, CR LF and a lone CR end a line.
std::uint64_t lineAt(std::string_view bytes, size_t offset) {
  std::uint64_t line = 1;
  offset = std::min(offset, bytes.size());
  for (size_t k = 0; k < offset; ++k) {
    if (bytes[k] == '\n' || (bytes[k] == '\r' && (k + 1 >= bytes.size() || bytes[k + 1] != '\n'))) ++line;
  }
  return line;
}

bool isNamed(const pugi::xml_node& node, std::string_view prefix, std::string_view local) {
  if (node.type() != pugi::node_element) return false;
  const std::string_view name = node.name();
  if (name.size() != prefix.size() + local.size()) return false;
  for (size_t k = 0; k < name.size(); ++k) {
    const char wanted = k < prefix.size() ? asciiLower(prefix[k]) : local[k - prefix.size()];
    if (asciiLower(name[k]) != wanted) return false;
  }
  return true;
}

// The next node in document order, without recursion.
pugi::xml_node nextInDocument(pugi::xml_node node) {
  if (node.first_child()) return node.first_child();
  while (node && !node.next_sibling()) node = node.parent();
  return node ? node.next_sibling() : pugi::xml_node();
}

// The parser leaves references alone; undefined entities and references to
// characters XML forbids are refused as a strict parser would.
void checkReferences(const std::string& fileName, const pugi::xml_document& doc, const std::string& parsed,
                     const std::string& bytes) {
  const auto check = [&](const char* raw) {
    const auto bad = xml::badReference(raw);
    if (!bad) return;
    const size_t offset = raw >= parsed.data() && raw < parsed.data() + parsed.size()
                              ? static_cast<size_t>(raw - parsed.data()) + bad->offset
                              : 0;
    refuse(fileName, lineAt(bytes, offset), "XML error: " + bad->description);
  };
  for (pugi::xml_node node = doc.first_child(); node; node = nextInDocument(node)) {
    if (node.type() == pugi::node_element) {
      for (const pugi::xml_attribute& attribute : node.attributes()) check(attribute.value());
    }
    check(node.value());
  }
}

pugi::xml_node onlyRoot(const std::string& fileName, const pugi::xml_document& doc, const std::string& bytes) {
  pugi::xml_node root;
  for (const pugi::xml_node& node : doc.children()) {
    if (node.type() != pugi::node_element) continue;
    if (root) {
      refuse(fileName, lineAt(bytes, static_cast<size_t>(node.offset_debug())),
             "XML error: More than one root element");
    }
    root = node;
  }
  return root;
}

std::string declaredEncoding(const pugi::xml_document& doc) {
  const pugi::xml_node declaration = doc.first_child();
  if (declaration.type() != pugi::node_declaration) return std::string();
  for (const pugi::xml_attribute& attribute : declaration.attributes()) {
    const std::string_view name = attribute.name();
    if (equalsIgnoringCase(name, "encoding")) return attribute.value();
  }
  return std::string();
}

size_t startOf(const pugi::xml_node& node) { return static_cast<size_t>(node.offset_debug() - 1); }

// ---------------------------------------------------------------- reading

struct TrackReading {
  std::string locationText;  // as decoded from XML, before the path forms
  std::string path;
  std::string creator;
  std::string info;  // "" for none
};

std::string childText(const XmlSource& source, size_t start, xml::TextCodec& codec) {
  if (start == kAbsent) return std::string();
  return xml::contentText(source.bytes, xml::elementAt(source.bytes, start).content, codec);
}

// The information line is one line: referenced line ends become blanks.
std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  return text;
}

// XSPF durations are milliseconds; anything but digits counts as unknown.
int secondsOf(std::string_view milliseconds) {
  if (milliseconds.empty() || milliseconds.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  uint64_t value = 0;
  for (const char digit : milliseconds) {
    value = value * 10 + static_cast<uint64_t>(digit - '0');
    if (value / 1000 > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value / 1000);
}

std::string pathOf(XmlFormat format, const std::string& location) {
  if (std::optional<std::string> path = fileUriPath(location)) return std::move(*path);
  if (format == XmlFormat::kWpl || isUri(location) || isWindowsPath(location)) return location;
  return percentDecoded(location);
}

TrackReading readingOf(const XmlSource& source, const XmlSource::Track& track, xml::TextCodec& codec) {
  TrackReading reading;
  reading.locationText = track.quote ? xml::attributeText(source.bytes, track.location, codec)
                                     : xml::contentText(source.bytes, track.location, codec);
  reading.path = pathOf(source.format, reading.locationText);
  // The creator counts even without a title: a title given later must not
  // repeat it.
  reading.creator = oneLine(childText(source, track.creatorStart, codec));
  const std::string title = oneLine(childText(source, track.titleStart, codec));
  if (title.empty()) return reading;
  const int seconds = secondsOf(childText(source, track.durationStart, codec));
  reading.info = infoLineOf(seconds, reading.creator, title);
  return reading;
}

void keepFirst(size_t& start, const pugi::xml_node& node) {
  if (start == kAbsent) start = startOf(node);
}

// XSPF: <track> in <trackList>; the first <location> with text.
void addXspfTrack(XmlSource& source, const pugi::xml_node& element, xml::TextCodec& codec) {
  XmlSource::Track track;
  track.start = startOf(element);
  bool located = false;
  for (const pugi::xml_node& child : element.children()) {
    if (!located && isNamed(child, source.prefix, "location")) {
      const xml::Element location = xml::elementAt(source.bytes, startOf(child));
      if (xml::contentText(source.bytes, location.content, codec).empty()) continue;
      track.locationStart = location.whole.begin;
      track.location = location.content;
      located = true;
    } else if (isNamed(child, source.prefix, "title")) {
      keepFirst(track.titleStart, child);
    } else if (isNamed(child, source.prefix, "creator")) {
      keepFirst(track.creatorStart, child);
    } else if (isNamed(child, source.prefix, "duration")) {
      keepFirst(track.durationStart, child);
    }
  }
  if (located) source.tracks.push_back(track);
}

// The attribute `name` of the start tag at `start`, when it holds text.
std::optional<xml::AttributeValue> filledAttribute(const XmlSource& source, size_t start, std::string_view name,
                                                   xml::TextCodec& codec) {
  std::optional<xml::AttributeValue> value = xml::attributeOf(source.bytes, start, name);
  if (value && xml::attributeText(source.bytes, value->value, codec).empty()) value.reset();
  return value;
}

// ASX: <entry>; the first <ref> with an href.
void addAsxTrack(XmlSource& source, const pugi::xml_node& element, xml::TextCodec& codec) {
  XmlSource::Track track;
  track.start = startOf(element);
  bool located = false;
  for (const pugi::xml_node& child : element.children()) {
    if (!located && isNamed(child, source.prefix, "ref")) {
      const auto href = filledAttribute(source, startOf(child), "href", codec);
      if (!href) continue;
      track.locationStart = startOf(child);
      track.location = href->value;
      track.quote = href->quote;
      located = true;
    } else if (isNamed(child, source.prefix, "title")) {
      keepFirst(track.titleStart, child);
    } else if (isNamed(child, source.prefix, "author")) {
      keepFirst(track.creatorStart, child);
    }
  }
  if (located) source.tracks.push_back(track);
}

// WPL: <media src> in <seq> in <body>.
void addWplTrack(XmlSource& source, const pugi::xml_node& element, xml::TextCodec& codec) {
  const auto src = filledAttribute(source, startOf(element), "src", codec);
  if (!src) return;
  XmlSource::Track track;
  track.start = track.locationStart = startOf(element);
  track.location = src->value;
  track.quote = src->quote;
  source.tracks.push_back(track);
}

void collectXspf(XmlSource& source, const pugi::xml_node& root, xml::TextCodec& codec) {
  for (const pugi::xml_node& list : root.children()) {
    if (!isNamed(list, source.prefix, "tracklist")) continue;
    for (const pugi::xml_node& track : list.children()) {
      if (isNamed(track, source.prefix, "track")) addXspfTrack(source, track, codec);
    }
  }
}

void collectWpl(XmlSource& source, const pugi::xml_node& root, xml::TextCodec& codec) {
  for (const pugi::xml_node& body : root.children()) {
    if (!isNamed(body, source.prefix, "body")) continue;
    for (const pugi::xml_node& seq : body.children()) {
      if (!isNamed(seq, source.prefix, "seq")) continue;
      for (const pugi::xml_node& media : seq.children()) {
        if (isNamed(media, source.prefix, "media")) addWplTrack(source, media, codec);
      }
    }
  }
}

// Entries directly in <asx> or in <repeat> blocks at any depth, walked
// without recursion.
void collectAsx(XmlSource& source, const pugi::xml_node& root, xml::TextCodec& codec) {
  pugi::xml_node node = root.first_child();
  while (node) {
    if (isNamed(node, source.prefix, "entry")) {
      addAsxTrack(source, node, codec);
    } else if (isNamed(node, source.prefix, "repeat") && node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (!node.next_sibling() && node.parent() != root) node = node.parent();
    node = node.next_sibling();
  }
}

struct FormatName {
  std::string_view root;
  XmlFormat format;
  const char* detected;
};

constexpr FormatName kFormats[] = {{"playlist", XmlFormat::kXspf, "Detected xspf format.\n"},
                                   {"smil", XmlFormat::kWpl, "Detected wpl format.\n"},
                                   {"asx", XmlFormat::kAsx, "Detected asx format.\n"}};

// Parses the document, sets the format, character set and prefix of
// `source` and collects its tracks. The parser's copy of the bytes and its
// tree live only for this call.
void parseTracks(const std::string& fileName, XmlSource& source, std::ostream& progress) {
  std::string parsed(source.bytes);
  pugi::xml_document doc;
  const pugi::xml_parse_result result =
      doc.load_buffer_inplace(parsed.data(), parsed.size(), kParseOptions, pugi::encoding_utf8);
  if (!result) {
    refuse(fileName, lineAt(source.bytes, static_cast<size_t>(result.offset)),
           std::string("XML error: ") + result.description());
  }
  checkReferences(fileName, doc, parsed, source.bytes);
  const pugi::xml_node root = onlyRoot(fileName, doc, source.bytes);
  const std::string_view rootName = root.name();
  const size_t colon = rootName.rfind(':');
  source.prefix = colon == std::string_view::npos ? "" : std::string(rootName.substr(0, colon + 1));
  const FormatName* format = nullptr;
  for (const FormatName& candidate : kFormats) {
    if (isNamed(root, source.prefix, candidate.root)) format = &candidate;
  }
  if (!format) refuse(fileName, 0, "Not a playlist: XML document '" + std::string(rootName) + "'.");
  source.format = format->format;
  const std::string declared = declaredEncoding(doc);
  const std::optional<std::string> charset = xml::supportedCharset(declared);
  if (!charset) {
    refuse(fileName, lineAt(source.bytes, static_cast<size_t>(doc.first_child().offset_debug())),
           "XML error: Unsupported encoding '" + declared + "'");
  }
  source.charset = *charset;
  // Text that claims to be UTF-8 and is not was written by a Windows program.
  source.writeCharset = *charset == "UTF-8" && !xml::isValidUtf8(source.bytes) ? "WINDOWS-1252" : *charset;
  xml::TextCodec codec(source.charset);
  progress << format->detected;
  switch (source.format) {
    case XmlFormat::kXspf: collectXspf(source, root, codec); break;
    case XmlFormat::kWpl: collectWpl(source, root, codec); break;
    case XmlFormat::kAsx: collectAsx(source, root, codec); break;
  }
}

// ---------------------------------------------------------------- writing

struct Edit {
  xml::Span span;    // replaced; empty for an insertion
  std::string text;  // written instead
};

// Tracks are read back as the reader read them, and new text is written in
// the character set the document is written in.
struct Codecs {
  explicit Codecs(const XmlSource& source) : reading(source.charset), writing(source.writeCharset) {}
  xml::TextCodec reading;
  xml::TextCodec writing;
};

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// A deleted track goes with its line when nothing else stands on it, so
// that no blank line is left behind; otherwise only the element goes.
xml::Span removal(std::string_view bytes, xml::Span element) {
  size_t begin = element.begin;
  while (begin > 0 && isBlankOrTab(bytes[begin - 1])) --begin;
  size_t end = element.end;
  while (end < bytes.size() && isBlankOrTab(bytes[end])) ++end;
  const bool lineStart = begin == 0 || bytes[begin - 1] == '\n' || bytes[begin - 1] == '\r';
  const bool lineEnd = end == bytes.size() || bytes[end] == '\n' || bytes[end] == '\r';
  if (!lineStart || !lineEnd) return element;
  if (end < bytes.size()) end += bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
  return {begin, end};
}

// The line break and indentation in front of the element at `start`, for an
// element inserted after it: from the last line end of the blanks before it,
// or all of them when they hold none.
std::string indentBefore(std::string_view bytes, size_t start) {
  size_t begin = start;
  while (begin > 0 && (isBlankOrTab(bytes[begin - 1]) || bytes[begin - 1] == '\n' || bytes[begin - 1] == '\r')) {
    --begin;
  }
  const std::string_view blanks = bytes.substr(begin, start - begin);
  size_t lineEnd = blanks.find_last_of("\r\n");
  if (lineEnd == std::string_view::npos) return std::string(blanks);
  if (blanks[lineEnd] == '\n' && lineEnd > 0 && blanks[lineEnd - 1] == '\r') --lineEnd;
  return std::string(blanks.substr(lineEnd));
}

// The name a new child of the track gets: the root's prefix, and in ASX the
// letter case the track's own element is written in (<ENTRY>: <TITLE>).
std::string childName(const XmlSource& source, const XmlSource::Track& track, std::string_view local) {
  std::string name = source.prefix;
  const std::string_view trackName = xml::elementName(source.bytes, track.start).substr(source.prefix.size());
  const auto isUpper = [](char c) { return c >= 'A' && c <= 'Z'; };
  const bool allUpper = std::all_of(trackName.begin(), trackName.end(), isUpper);
  for (size_t k = 0; k < local.size(); ++k) {
    const bool upper = source.format == XmlFormat::kAsx && (allUpper || (k == 0 && isUpper(trackName[0])));
    name += upper ? static_cast<char>(local[k] - 'a' + 'A') : local[k];
  }
  return name;
}

std::string elementText(const std::string& name, const std::string& content) {
  return "<" + name + ">" + content + "</" + name + ">";
}

// Replaces the content of the element at `start`; "<x/>" becomes
// "<x>content</x>".
Edit contentEdit(std::string_view bytes, size_t start, const std::string& content) {
  const xml::Element element = xml::elementAt(bytes, start);
  if (!element.selfClosing) return {element.content, content};
  return {{element.content.begin, element.whole.end},
          ">" + content + "</" + std::string(xml::elementName(bytes, start)) + ">"};
}

// A changed path, written the way the track wrote its location: a file:// URI
// stays one when it can carry the path exactly; another URI and a Windows
// path are written as they are; WPL src is a plain path. Other references in
// XSPF and ASX are percent-encoded when the track's location held escapes,
// and otherwise written as plain paths: that is how the programs that write
// relative locations write them, and how GNOME's parser reads them (to it
// "a%20b" names a file with "%20" in its name). XML text holds characters,
// not bytes: a path that is not UTF-8 is percent-encoded whatever its form
// (a URL only where its bytes are not UTF-8), so the reader decodes it back
// to the same bytes.
std::string locationText(XmlFormat format, const TrackReading& reading, const std::string& path) {
  const bool utf8 = xml::isValidUtf8(path);
  if (isUri(path)) return utf8 ? path : minimallyEncoded(path);
  if (fileUriPath(reading.locationText) && sys_dep::samePath(fileUriPath(fileUri(path)).value_or(""), path))
    return fileUri(path);
  if (!utf8 && format != XmlFormat::kWpl) return percentEncoded(path);
  if (isWindowsPath(path) || format == XmlFormat::kWpl) return path;
  return holdsPercentEscape(reading.locationText) ? percentEncoded(path) : minimallyEncoded(path);
}

// Whether the <duration> at `start` already gives `length` seconds: players
// write milliseconds, and a song is as long as its whole seconds say.
bool durationMatches(const XmlSource& source, size_t start, int length, xml::TextCodec& codec) {
  const std::string text = childText(source, start, codec);
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const long long difference = std::stoll(text) - static_cast<long long>(length) * 1000;
  return difference > -1000 && difference < 1000;
}

void addInfoEdits(const XmlSource& source, const XmlSource::Track& track, const TrackReading& reading,
                  const std::string& info, Codecs& codecs, std::vector<Edit>& edits) {
  // Split as the PLS writer splits it.
  const InfoParts parts = infoParts(info);
  std::string title(parts.title);
  const int length = parts.length ? atoiClamped(*parts.length) : 0;
  // The track keeps its creator, so the title does not repeat it.
  const std::string byCreator = reading.creator + " - ";
  if (!reading.creator.empty() && title.starts_with(byCreator)) title.erase(0, byCreator.size());
  const std::string titleContent = xml::escaped(title, codecs.writing);
  const std::string duration = source.format == XmlFormat::kXspf && length > 0
                                   ? std::to_string(static_cast<int64_t>(length) * 1000)
                                   : std::string();
  const std::string durationName = childName(source, track, "duration");
  std::string inserted;
  size_t insertAt;
  if (track.titleStart != kAbsent) {
    edits.push_back(contentEdit(source.bytes, track.titleStart, titleContent));
    insertAt = xml::elementAt(source.bytes, track.titleStart).whole.end;
  } else {
    inserted = indentBefore(source.bytes, track.locationStart) +
               elementText(childName(source, track, "title"), titleContent);
    insertAt = xml::elementAt(source.bytes, track.locationStart).whole.end;
  }
  if (!duration.empty() && track.durationStart != kAbsent) {
    if (!durationMatches(source, track.durationStart, length, codecs.reading))
      edits.push_back(contentEdit(source.bytes, track.durationStart, duration));
  } else if (!duration.empty()) {
    const size_t before = track.titleStart != kAbsent ? track.titleStart : track.locationStart;
    inserted += indentBefore(source.bytes, before) + elementText(durationName, duration);
  }
  if (!inserted.empty()) edits.push_back({{insertAt, insertAt}, std::move(inserted)});
}

void addTrackEdits(const XmlSource& source, const XmlSource::Track& track, const PlaylistEntry& entry,
                   Codecs& codecs, std::vector<Edit>& edits) {
  if (entry.deleted) {
    edits.push_back({removal(source.bytes, xml::elementAt(source.bytes, track.start).whole), std::string()});
    return;
  }
  const TrackReading reading = readingOf(source, track, codecs.reading);
  if (entry.path != reading.path) {
    edits.push_back({track.location,
                     xml::escaped(locationText(source.format, reading, entry.path), codecs.writing, track.quote)});
  }
  if (source.format != XmlFormat::kWpl && entry.extInfo && *entry.extInfo != reading.info) {
    addInfoEdits(source, track, reading, *entry.extInfo, codecs, edits);
  }
}

// Gathers the pieces into large writes.
class Splicer {
 public:
  explicit Splicer(const std::function<void(std::string_view)>& write) : write_(write) {}
  void add(std::string_view piece) {
    if (buffer_.size() + piece.size() < kFlushSize) {
      buffer_ += piece;
      return;
    }
    flush();
    if (piece.size() >= kFlushSize) {
      write_(piece);
    } else {
      buffer_ = piece;
    }
  }
  void flush() {
    if (!buffer_.empty()) write_(buffer_);
    buffer_.clear();
  }

 private:
  const std::function<void(std::string_view)>& write_;
  std::string buffer_;
};

}  // namespace

bool looksLikeXml(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  const size_t first = head.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && head[first] == '<';
}

void readXmlPlaylist(file::InputFile& in, PlayList& list, std::ostream& progress) {
  auto source = std::make_shared<XmlSource>();
  in.readRest(source->bytes);
  if (source->bytes.size() > 1 && source->bytes[1] == '\0') refuse(in.fileName(), 0, "UTF-16 text is not supported.");
  parseTracks(in.fileName(), *source, progress);
  const bool attach = list.entries.empty();
  xml::TextCodec codec(source->charset);
  list.entries.reserve(list.entries.size() + source->tracks.size());
  for (const XmlSource::Track& track : source->tracks) {
    TrackReading reading = readingOf(*source, track, codec);
    list.entries.emplace_back(std::move(reading.path), std::move(reading.info));
  }
  if (attach) list.xmlSource = std::move(source);
}

bool writesXml(const PlayList& list) {
  return list.xmlSource && !list.plsFormat && list.entries.size() == list.xmlSource->tracks.size();
}

// A URL location is read as written, escapes and all (a URL's "%F6" may be
// meant as those three characters), so its bytes cannot come back from
// escapes; a file:// URI and any other reference are decoded.
bool holdsPath(const PlayList& list, std::string_view path) {
  if (!writesXml(list) || xml::isValidUtf8(path)) return true;
  return list.xmlSource->format != XmlFormat::kWpl && !(isUri(path) && !fileUriPath(path));
}

bool changesXmlInfo(const PlayList& list, std::size_t entry, const std::string& info) {
  const XmlSource& source = *list.xmlSource;
  if (source.format == XmlFormat::kWpl) return false;
  Codecs codecs(source);
  const XmlSource::Track& track = source.tracks.at(entry);
  const TrackReading reading = readingOf(source, track, codecs.reading);
  if (info == reading.info) return false;
  std::vector<Edit> edits;
  addInfoEdits(source, track, reading, info, codecs, edits);
  return std::any_of(edits.begin(), edits.end(), [&](const Edit& edit) {
    return std::string_view(source.bytes).substr(edit.span.begin, edit.span.end - edit.span.begin) != edit.text;
  });
}

std::string xmlPlaylistName(const PlayList& list) {
  const std::string_view extension = extensionOf(list.fileName);
  const auto is = [extension](const char* lower) { return equalsIgnoringCase(extension, lower); };
  const char* wanted = ".xspf";
  switch (list.xmlSource->format) {
    case XmlFormat::kXspf: break;
    case XmlFormat::kWpl: wanted = is(".zpl") ? ".zpl" : ".wpl"; break;
    case XmlFormat::kAsx: wanted = is(".wax") ? ".wax" : is(".wvx") ? ".wvx" : ".asx"; break;
  }
  return list.fileName.substr(0, list.fileName.size() - extension.size()) + wanted;
}

void writeXmlPlaylist(const PlayList& list, const std::function<void(std::string_view)>& write) {
  if (!writesXml(list)) throw err::InternalError("writeXmlPlaylist: not an XML playlist as read");
  const XmlSource& source = *list.xmlSource;
  Codecs codecs(source);
  std::vector<Edit> edits;
  for (size_t k = 0; k < source.tracks.size(); ++k) {
    addTrackEdits(source, source.tracks[k], list.entries[k], codecs, edits);
  }
  // Tracks never overlap, so ordering by position keeps each track's edits
  // apart; an insertion comes after a replacement ending where it starts.
  std::stable_sort(edits.begin(), edits.end(),
                   [](const Edit& a, const Edit& b) { return a.span.begin < b.span.begin; });
  Splicer out(write);
  const std::string_view bytes = source.bytes;
  size_t done = 0;
  for (const Edit& edit : edits) {
    if (edit.span.begin < done) throw err::InternalError("writeXmlPlaylist: overlapping changes");
    out.add(bytes.substr(done, edit.span.begin - done));
    out.add(edit.text);
    done = edit.span.end;
  }
  out.add(bytes.substr(done));
  out.flush();
}

}  // namespace kw
