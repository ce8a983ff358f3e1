#include "tests/support/audio_files.h"

#include <taglib/fileref.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace trackmend_test {
namespace {

using Bytes = std::vector<unsigned char>;

std::string lowerExtension(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return "";
  std::string extension(fileName.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

void putBigEndian(Bytes& out, std::uint64_t value, int bytes) {
  for (int k = bytes - 1; k >= 0; --k) out.push_back(static_cast<unsigned char>(value >> (8 * k)));
}

void putLittleEndian(Bytes& out, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<unsigned char>(value >> (8 * k)));
}

void putText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

// MSB-first CRC of `width` bits (8, 16 or 32), initial value 0, no final XOR:
// the checksums of FLAC frames and Ogg pages.
std::uint32_t crc(const unsigned char* data, std::size_t size, std::uint32_t polynomial, int width) {
  const std::uint32_t top = 1u << (width - 1);
  const std::uint32_t mask = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < size; ++k) {
    value ^= static_cast<std::uint32_t>(data[k]) << (width - 8);
    for (int bit = 0; bit < 8; ++bit) value = (value & top) ? ((value << 1) ^ polynomial) : (value << 1);
    value &= mask;
  }
  return value;
}

// MPEG-1 Layer III, 32 kbit/s, 44.1 kHz, mono: 104-byte frames whose
// all-zero side information decodes to silence. The first frame carries a
// Xing header with the frame count, which is where readers take the length.
Bytes mp3Bytes(const AudioSpec& spec) {
  constexpr std::size_t kFrame = 104, kXingOffset = 4 + 17;
  const std::size_t frames = std::max<std::size_t>(3, (spec.minBytes + kFrame - 1) / kFrame);
  const std::uint64_t declared =
      spec.seconds > 0 ? (static_cast<std::uint64_t>(spec.seconds) * 44100 + 1151) / 1152 : frames - 1;
  Bytes out;
  for (std::size_t f = 0; f < frames; ++f) {
    const std::size_t start = out.size();
    out.insert(out.end(), {0xFF, 0xFB, 0x10, 0xC0});
    out.resize(start + kFrame, 0);
    if (f != 0) continue;
    Bytes xing;
    putText(xing, "Xing");
    putBigEndian(xing, 3, 4);  // frame count and byte count present
    putBigEndian(xing, declared, 4);
    putBigEndian(xing, declared * kFrame, 4);
    std::copy(xing.begin(), xing.end(), out.begin() + static_cast<long>(start + kXingOffset));
  }
  return out;
}

// FLAC, 44.1 kHz, mono, 16 bits: a STREAMINFO block and frames of silence,
// each one verbatim subframe.
Bytes flacBytes(const AudioSpec& spec) {
  const std::size_t block =
      std::clamp<std::size_t>(spec.minBytes / 2 + 16, 192, 65535);
  const std::size_t frames = std::max<std::size_t>(1, (spec.minBytes + 2 * block - 1) / (2 * block));
  const std::uint64_t samples = spec.seconds > 0 ? static_cast<std::uint64_t>(spec.seconds) * 44100 : block * frames;
  // The magic, then the last (and only) metadata block: STREAMINFO, 34 bytes.
  Bytes out = {'f', 'L', 'a', 'C', 0x80, 0, 0, 34};
  putBigEndian(out, block, 2);
  putBigEndian(out, block, 2);
  putBigEndian(out, 0, 3);  // frame sizes unknown
  putBigEndian(out, 0, 3);
  putBigEndian(out, (std::uint64_t{44100} << 44) | (std::uint64_t{15} << 36) | samples, 8);
  out.resize(out.size() + 16, 0);  // no MD5 signature
  for (std::size_t f = 0; f < frames; ++f) {
    const std::size_t start = out.size();
    // Fixed block size, size as 16 bits after the header, 44.1 kHz, mono, 16 bits.
    out.insert(out.end(), {0xFF, 0xF8, 0x79, 0x08, static_cast<unsigned char>(f)});
    putBigEndian(out, block - 1, 2);
    out.push_back(static_cast<unsigned char>(crc(out.data() + start, out.size() - start, 0x07, 8)));
    out.push_back(0x02);  // verbatim subframe
    out.resize(out.size() + 2 * block, 0);
    putBigEndian(out, crc(out.data() + start, out.size() - start, 0x8005, 16), 2);
  }
  return out;
}

// RIFF WAVE, 8 kHz, mono, 16-bit PCM silence.
Bytes wavBytes(const AudioSpec& spec) {
  std::size_t data = spec.seconds > 0 ? static_cast<std::size_t>(spec.seconds) * 16000 : 1600;
  data = std::max(data, spec.minBytes);
  Bytes out;
  putText(out, "RIFF");
  putLittleEndian(out, 36 + data, 4);
  putText(out, "WAVEfmt ");
  putLittleEndian(out, 16, 4);
  putLittleEndian(out, 1, 2);  // PCM
  putLittleEndian(out, 1, 2);  // mono
  putLittleEndian(out, 8000, 4);
  putLittleEndian(out, 16000, 4);
  putLittleEndian(out, 2, 2);
  putLittleEndian(out, 16, 2);
  putText(out, "data");
  putLittleEndian(out, data, 4);
  out.resize(out.size() + data, 0);
  return out;
}

void putOggPage(Bytes& out, unsigned char type, std::uint64_t granule, std::uint32_t sequence,
                const std::vector<Bytes>& packets) {
  const std::size_t start = out.size();
  putText(out, "OggS");
  out.push_back(0);
  out.push_back(type);
  putLittleEndian(out, granule, 8);
  putLittleEndian(out, 0x7261636B, 4);  // stream serial number
  putLittleEndian(out, sequence, 4);
  putLittleEndian(out, 0, 4);  // checksum, filled in below
  Bytes lacing;
  for (const Bytes& packet : packets) {
    std::size_t left = packet.size();
    for (; left >= 255; left -= 255) lacing.push_back(255);
    lacing.push_back(static_cast<unsigned char>(left));
  }
  out.push_back(static_cast<unsigned char>(lacing.size()));
  out.insert(out.end(), lacing.begin(), lacing.end());
  for (const Bytes& packet : packets) out.insert(out.end(), packet.begin(), packet.end());
  const std::uint32_t sum = crc(out.data() + start, out.size() - start, 0x04C11DB7, 32);
  for (int k = 0; k < 4; ++k) out[start + 22 + static_cast<std::size_t>(k)] = static_cast<unsigned char>(sum >> (8 * k));
}

// Opus in Ogg, mono: the two header pages, then pages of 50 packets of
// 20 ms of silence (a CELT frame that decodes to nothing audible), each
// padded to the 160 bytes of a 64 kbit/s stream.
Bytes opusBytes(const AudioSpec& spec) {
  constexpr std::uint64_t kPreSkip = 312;
  constexpr std::size_t kPerPage = 50, kPacket = 160;
  // Code 3: one frame with padding; the padding length; the frame.
  Bytes silence = {0xFB, 0x41, kPacket - 5, 0xFF, 0xFE};
  silence.resize(kPacket, 0);
  const std::size_t packets = std::max<std::size_t>(5, spec.minBytes / kPacket + 1);
  const std::uint64_t end = kPreSkip + (spec.seconds > 0 ? static_cast<std::uint64_t>(spec.seconds) * 48000 : packets * 960);
  Bytes head;
  putText(head, "OpusHead");
  head.insert(head.end(), {1, 1});
  putLittleEndian(head, kPreSkip, 2);
  putLittleEndian(head, 48000, 4);
  putLittleEndian(head, 0, 2);
  head.push_back(0);
  Bytes tags;
  putText(tags, "OpusTags");
  putLittleEndian(tags, 5, 4);
  putText(tags, "tests");
  putLittleEndian(tags, 0, 4);
  Bytes out;
  putOggPage(out, 0x02, 0, 0, {head});
  putOggPage(out, 0x00, 0, 1, {tags});
  std::uint32_t sequence = 2;
  for (std::size_t done = 0; done < packets;) {
    const std::size_t count = std::min(kPerPage, packets - done);
    done += count;
    const bool last = done == packets;
    const std::uint64_t granule = last ? end : std::min<std::uint64_t>(end, kPreSkip + done * 960);
    putOggPage(out, last ? 0x04 : 0x00, granule, sequence++, std::vector<Bytes>(count, silence));
  }
  return out;
}

// The file named `path` (UTF-8) as the system names it: on Windows a wide
// name, which TagLib and the streams take too.
std::filesystem::path native(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(native(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

// An Opus stream in a ".ogg" file is not what TagLib's extension table
// expects there, so the format class is chosen by hand.
std::unique_ptr<TagLib::File> openForTagging(const std::string& path) {
  if (lowerExtension(path) == "ogg") return std::make_unique<TagLib::Ogg::Opus::File>(native(path).c_str(), false);
  return nullptr;
}

void tag(const std::string& path, const AudioSpec& spec) {
  if (spec.title.empty() && spec.artist.empty()) return;
  std::unique_ptr<TagLib::File> own = openForTagging(path);
  TagLib::FileRef ref = own ? TagLib::FileRef(own.release()) : TagLib::FileRef(native(path).c_str(), false);
  if (ref.isNull() || !ref.tag()) throw std::runtime_error("TagLib cannot open " + path);
  if (!spec.title.empty()) ref.tag()->setTitle(TagLib::String(spec.title, TagLib::String::UTF8));
  if (!spec.artist.empty()) ref.tag()->setArtist(TagLib::String(spec.artist, TagLib::String::UTF8));
  if (!ref.save()) throw std::runtime_error("TagLib cannot save " + path);
}

}  // namespace

bool canWriteAudio(std::string_view fileName) {
  const std::string extension = lowerExtension(fileName);
  return extension == "mp3" || extension == "flac" || extension == "wav" || extension == "opus" ||
         extension == "ogg";
}

void writeAudioFile(const std::string& path, const AudioSpec& spec) {
  const std::string extension = lowerExtension(path);
  if (extension == "mp3") {
    writeBytes(path, mp3Bytes(spec));
  } else if (extension == "flac") {
    writeBytes(path, flacBytes(spec));
  } else if (extension == "wav") {
    writeBytes(path, wavBytes(spec));
  } else if (extension == "opus" || extension == "ogg") {
    writeBytes(path, opusBytes(spec));
  } else {
    throw std::runtime_error("no audio format for " + path);
  }
  tag(path, spec);
}

}  // namespace trackmend_test
