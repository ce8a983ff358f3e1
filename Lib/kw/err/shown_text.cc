#include "Lib/kw/err/shown_text.h"

#include <ios>

namespace kw::err {
namespace {

// The slot of the terminal mark in every stream's word array.
int markIndex() {
  static const int index = std::ios_base::xalloc();
  return index;
}

bool isControl(unsigned char byte, bool keepLineFeeds) {
  if (byte == '\t' || (keepLineFeeds && byte == '\n')) return false;
  return byte < 0x20 || byte == 0x7F;
}

void appendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

}  // namespace

void setShownOnTerminal(std::ostream& stream, bool on) { stream.iword(markIndex()) = on ? 1 : 0; }

bool shownOnTerminal(const std::ostream& stream) {
  // iword is not const; reading the mark does not change the stream.
  return const_cast<std::ostream&>(stream).iword(markIndex()) != 0;
}

std::string escapedControls(std::string_view text, bool keepLineFeeds) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    const auto byte = static_cast<unsigned char>(text[k]);
    const bool c1 = byte == 0xC2 && k + 1 < text.size() && static_cast<unsigned char>(text[k + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[k + 1]) <= 0x9F;
    if (c1) {
      appendEscaped(out, byte);
      appendEscaped(out, static_cast<unsigned char>(text[++k]));
    } else if (isControl(byte, keepLineFeeds)) {
      appendEscaped(out, byte);
    } else {
      out += text[k];
    }
  }
  return out;
}

std::ostream& operator<<(std::ostream& stream, ShownText shown) {
  if (!shownOnTerminal(stream)) return stream.write(shown.text.data(), static_cast<std::streamsize>(shown.text.size()));
  const std::string escaped = escapedControls(shown.text);
  return stream.write(escaped.data(), static_cast<std::streamsize>(escaped.size()));
}

}  // namespace kw::err
