#include "playlist/signatures.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "Lib/kw/sys_dep/path_rules.h"
#include "playlist/numbers.h"

namespace kw {
namespace {

using namespace std::string_view_literals;

unsigned byteAt(std::string_view head, size_t k) { return static_cast<unsigned char>(head[k]); }

bool hasAt(std::string_view head, size_t offset, std::string_view bytes) {
  return head.size() >= offset + bytes.size() && head.substr(offset, bytes.size()) == bytes;
}

bool isOneOf(std::string_view head, size_t offset, std::initializer_list<std::string_view> choices) {
  for (std::string_view choice : choices) {
    if (hasAt(head, offset, choice)) return true;
  }
  return false;
}

// "ID3", a major version 2 to 4, a revision, flags, then four size bytes
// that keep their top bit clear.
bool isId3(std::string_view head) {
  if (!hasAt(head, 0, "ID3") || head.size() < 10) return false;
  if (byteAt(head, 3) < 2 || byteAt(head, 3) > 4 || byteAt(head, 4) == 0xFF) return false;
  for (size_t k = 6; k < 10; ++k) {
    if (byteAt(head, k) >= 0x80) return false;
  }
  return true;
}

// Eleven sync bits, then no reserved version, layer, bit rate, sampling rate
// or emphasis; or the twelve sync bits and layer 0 of an AAC ADTS header.
bool isMpegAudioFrame(std::string_view head) {
  if (head.size() < 4 || byteAt(head, 0) != 0xFF) return false;
  const unsigned b1 = byteAt(head, 1), b2 = byteAt(head, 2), b3 = byteAt(head, 3);
  if ((b1 & 0xF6) == 0xF0) return ((b2 >> 2) & 0xF) < 13;  // ADTS
  return (b1 & 0xE0) == 0xE0 && ((b1 >> 3) & 3) != 1 && ((b1 >> 1) & 3) != 0 && (b2 >> 4) != 15 &&
         ((b2 >> 2) & 3) != 3 && (b3 & 3) != 2;
}

bool isRiffOrIff(std::string_view head) {
  if (isOneOf(head, 0, {"RIFF"sv, "RIFX"sv})) {
    return isOneOf(head, 8, {"WAVE"sv, "AVI "sv, "WEBP"sv, "RMID"sv, "CDXA"sv, "ACON"sv});
  }
  return hasAt(head, 0, "FORM") && isOneOf(head, 8, {"AIFF"sv, "AIFC"sv, "8SVX"sv});
}

bool isFlacOrOgg(std::string_view head) {
  if (hasAt(head, 0, "fLaC")) return head.size() >= 5 && (byteAt(head, 4) & 0x7F) == 0;
  return hasAt(head, 0, "OggS\0"sv);
}

// An ISO base media file (MP4, M4A, MOV, 3GP, HEIF) starts with an "ftyp" box
// whose 32-bit size is small.
bool isIsoMedia(std::string_view head) { return hasAt(head, 4, "ftyp") && byteAt(head, 0) == 0; }

// Lossless and surround formats whose marks look like text, each confirmed
// by the binary fields after it.
bool isLosslessOrSurround(std::string_view head) {
  // TTA1: format 1 or 2, then a channel count, then 8, 16 or 24 bits.
  if (hasAt(head, 0, "TTA1") && head.size() >= 10)
    return (byteAt(head, 4) == 1 || byteAt(head, 4) == 2) && byteAt(head, 5) == 0 && byteAt(head, 6) != 0 &&
           byteAt(head, 7) == 0 && byteAt(head, 9) == 0 && byteAt(head, 8) % 8 == 0 && byteAt(head, 8) <= 24;
  // TAK: the type of the first metadata block, a small number.
  if (hasAt(head, 0, "tBaK") && head.size() >= 5) return (byteAt(head, 4) & 0x7F) <= 7;
  // DSDIFF: a 64-bit size, then the form type "DSD ".
  if (hasAt(head, 0, "FRM8")) return hasAt(head, 12, "DSD ");
  // AC-3 and E-AC-3: the sync word, a CRC, a sampling rate code other than
  // the reserved one, and a stream version of at most 16.
  if (hasAt(head, 0, "\x0B\x77"sv) && head.size() >= 6)
    return (byteAt(head, 4) >> 6) != 3 && (byteAt(head, 5) >> 3) <= 16;
  static constexpr std::string_view kWave64 = "riff\x2E\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\0\0"sv;
  // DTS (the sync word of a core frame in big-endian order) and Wave64.
  return hasAt(head, 0, "\x7F\xFE\x80\x01"sv) || (hasAt(head, 0, kWave64) && hasAt(head, 24, "wave"));
}

// Tracker modules. MOD: a mark such as "M.K." at byte 1080 after 31 sample
// headers whose fine-tune (0 to 15) and volume (0 to 64) bytes are in range
// and a song length of 1 to 128, which a line of text does not give.
bool isModule(std::string_view head) {
  if (hasAt(head, 0, "Extended Module: ")) return head.size() > 37 && byteAt(head, 37) == 0x1A;
  if (hasAt(head, 0, "IMPM")) return head.size() >= 44 && byteAt(head, 43) <= 3;
  if (hasAt(head, 44, "SCRM")) return byteAt(head, 28) == 0x1A && byteAt(head, 29) == 16;
  if (!isOneOf(head, 1080, {"M.K."sv, "M!K!"sv, "M&K!"sv, "FLT4"sv, "FLT8"sv, "4CHN"sv, "6CHN"sv, "8CHN"sv,
                            "CD81"sv, "OKTA"sv, "16CH"sv, "32CH"sv}))
    return false;
  for (size_t sample = 0; sample < 31; ++sample) {
    if (byteAt(head, 44 + 30 * sample) > 15 || byteAt(head, 45 + 30 * sample) > 64) return false;
  }
  return byteAt(head, 950) >= 1 && byteAt(head, 950) <= 128;
}

bool isOtherAudioOrVideo(std::string_view head) {
  static constexpr std::string_view kAsfHeader =
      "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
  if (isOneOf(head, 0, {kAsfHeader, "\x1A\x45\xDF\xA3"sv, "MThd\0\0\0\x06"sv, "\0\0\x01\xBA"sv,
                        "FLV\x01"sv, ".snd\0\0\0"sv, "caff\0\x01"sv, "DSD \x1C\0\0\0"sv, ".RMF\0"sv,
                        ".ra\xFD"sv, "MPCKSH"sv}))
    return true;
  if (isLosslessOrSurround(head) || isModule(head)) return true;
  if (hasAt(head, 0, "MP+") && head.size() >= 4) return (byteAt(head, 3) & 0x0F) == 7 || (byteAt(head, 3) & 0x0F) == 8;
  if (hasAt(head, 0, "MAC ") && head.size() >= 6) {
    const unsigned version = byteAt(head, 4) | byteAt(head, 5) << 8;
    return version >= 3800 && version <= 5000;
  }
  return hasAt(head, 0, "wvpk") && head.size() >= 10 && byteAt(head, 9) == 0x04;
}

bool isImage(std::string_view head) {
  if (isOneOf(head, 0, {"\xFF\xD8\xFF"sv, "\x89PNG\r\n\x1A\n"sv, "GIF87a"sv, "GIF89a"sv, "II*\0"sv,
                        "MM\0*"sv}))
    return true;
  // BMP: "BM", the file size, four reserved zero bytes, the pixel offset and
  // the size of one of the known info headers.
  if (!hasAt(head, 0, "BM") || head.size() < 18 || !hasAt(head, 6, "\0\0\0\0"sv)) return false;
  const unsigned infoSize = byteAt(head, 14);
  return hasAt(head, 15, "\0\0\0"sv) &&
         (infoSize == 12 || infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 ||
          infoSize == 108 || infoSize == 124);
}

bool isDocumentOrArchive(std::string_view head) {
  // An ISO 9660 image: a volume descriptor of a known type at 32 KiB.
  if (hasAt(head, 32769, "CD001")) {
    const unsigned type = byteAt(head, 32768);
    return (type <= 3 || type == 255) && head.size() > 32774 && byteAt(head, 32774) == 1;
  }
  if (isOneOf(head, 0, {"\0\x05\x16\x07"sv, "PK\x03\x04"sv, "PK\x05\x06"sv, "PK\x07\x08"sv, "\x1F\x8B\x08"sv,
                        "\xFD" "7zXZ\0"sv, "7z\xBC\xAF\x27\x1C"sv, "Rar!\x1A\x07"sv}))
    return true;
  if (hasAt(head, 0, "%PDF-")) return head.size() > 5 && head[5] >= '0' && head[5] <= '9';
  // bzip2: "BZh", the block size, then the magic of a block or of the end.
  return hasAt(head, 0, "BZh") && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
         isOneOf(head, 4, {"1AY&SY"sv, "\x17\x72\x45\x38\x50\x90"sv});
}

std::string_view trimmedBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Splits off the first blank-separated word of `text`.
std::string_view firstWord(std::string_view& text) {
  const size_t end = std::min(text.find_first_of(" \t"), text.size());
  const std::string_view word = text.substr(0, end);
  text = trimmedBlanks(text.substr(end));
  return word;
}

// `FILE "name" WAVE` or `FILE name WAVE`, after the keyword.
// The type that ends a FILE or TRACK line (WAVE, MP3, AUDIO, MODE1/2352):
// a letter, then letters, digits and '/'. A playlist line such as
// "File Under Pop/01.mp3" ends in a file name instead.
bool isCueType(std::string_view word) {
  const auto isAsciiAlnum = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  };
  if (word.empty() || !((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= 'a' && word[0] <= 'z'))) return false;
  return std::all_of(word.begin(), word.end(), [&](char c) { return isAsciiAlnum(c) || c == '/'; });
}

bool isCueFile(std::string_view rest) {
  if (rest.starts_with('"')) {
    const size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) return false;
    rest = trimmedBlanks(rest.substr(close + 1));
  } else if (firstWord(rest).empty()) {
    return false;
  }
  return isCueType(firstWord(rest)) && rest.empty();
}

// `TRACK 01 AUDIO`, after the keyword.
bool isCueTrack(std::string_view rest) {
  const std::string_view number = firstWord(rest);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) return false;
  return isCueType(firstWord(rest)) && rest.empty();
}

// The formats players and TagLib know, with the usual spellings of each, and
// other audio that must never be taken for a playlist.
constexpr std::array<std::string_view, 32> kAudioExtensions = {
    "mp3", "mp2", "flac", "ogg", "oga", "opus", "spx", "m4a", "m4b", "aac", "wma",
    "wav", "aif", "aiff", "aifc", "ape", "wv",  "mpc", "tta", "dsf", "dff", "tak",
    "mka", "ac3", "dts",  "w64", "caf", "au",   "mod", "xm",  "it",  "s3m"};

}  // namespace

bool looksLikeCueSheet(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  bool file = false, track = false;
  for (int lines = 0; lines < 64 && !head.empty();) {
    const size_t end = std::min(head.find_first_of("\r\n"), head.size());
    const std::string_view line = trimmedBlanks(head.substr(0, end));
    head.remove_prefix(std::min(end + 1, head.size()));
    if (line.empty()) continue;
    ++lines;
    if (startsWithIgnoringCase(line, "file ")) file = file || isCueFile(trimmedBlanks(line.substr(5)));
    if (startsWithIgnoringCase(line, "track ")) track = track || isCueTrack(trimmedBlanks(line.substr(6)));
    if (file && track) return true;
  }
  return false;
}

std::span<const std::string_view> audioExtensions() { return kAudioExtensions; }

bool isAudioFileName(std::string_view name) {
  name.remove_prefix(std::min(sys_dep::lastSeparator(name) + 1, name.size()));
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view extension = name.substr(dot + 1);
  return std::any_of(kAudioExtensions.begin(), kAudioExtensions.end(),
                     [extension](std::string_view known) { return equalsIgnoringCase(extension, known); });
}

bool startsWithMediaSignature(std::string_view head) {
  return isId3(head) || isMpegAudioFrame(head) || isFlacOrOgg(head) || isRiffOrIff(head) ||
         isIsoMedia(head) || isOtherAudioOrVideo(head) || isImage(head) || isDocumentOrArchive(head);
}

}  // namespace kw
