#include "playlist/signatures.h"

#include <string_view>

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

bool isOtherAudioOrVideo(std::string_view head) {
  static constexpr std::string_view kAsfHeader =
      "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
  if (isOneOf(head, 0, {kAsfHeader, "\x1A\x45\xDF\xA3"sv, "MThd\0\0\0\x06"sv, "\0\0\x01\xBA"sv,
                        "FLV\x01"sv, ".snd\0\0\0"sv, "caff\0\x01"sv, "DSD \x1C\0\0\0"sv, ".RMF\0"sv,
                        ".ra\xFD"sv, "MPCKSH"sv}))
    return true;
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
  if (isOneOf(head, 0, {"PK\x03\x04"sv, "PK\x05\x06"sv, "PK\x07\x08"sv, "\x1F\x8B\x08"sv,
                        "\xFD" "7zXZ\0"sv, "7z\xBC\xAF\x27\x1C"sv, "Rar!\x1A\x07"sv}))
    return true;
  if (hasAt(head, 0, "%PDF-")) return head.size() > 5 && head[5] >= '0' && head[5] <= '9';
  // bzip2: "BZh", the block size, then the magic of a block or of the end.
  return hasAt(head, 0, "BZh") && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
         isOneOf(head, 4, {"1AY&SY"sv, "\x17\x72\x45\x38\x50\x90"sv});
}

}  // namespace

bool startsWithMediaSignature(std::string_view head) {
  return isId3(head) || isMpegAudioFrame(head) || isFlacOrOgg(head) || isRiffOrIff(head) ||
         isIsoMedia(head) || isOtherAudioOrVideo(head) || isImage(head) || isDocumentOrArchive(head);
}

}  // namespace kw
