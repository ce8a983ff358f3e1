#include "playlist/signatures.h"

#include <gtest/gtest.h>

#include <string>

namespace kw {
namespace {

std::string bytes(const char* text, size_t size) { return std::string(text, size); }

TEST(SignaturesTest, MediaImagesAndArchivesAreKnownByTheirFirstBytes) {
  const std::string refused[] = {
      bytes("ID3\x04\0\0\0\0\x1F\x76TIT2", 14),
      "\xFF\xFB\x90\x64",          // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
      "\xFF\xF1\x50\x80",          // AAC ADTS
      bytes("fLaC\0\0\0\x22", 8),  // STREAMINFO first
      bytes("OggS\0\x02", 6),
      bytes("RIFF\x24\x08\0\0WAVEfmt ", 16),
      bytes("RIFF\0\0\0\0AVI LIST", 16),
      bytes("FORM\0\0\0\0AIFF", 12),
      bytes("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16),
      bytes("\0\0\0\x20" "ftypM4A ", 12),
      "\x1A\x45\xDF\xA3",
      bytes("MThd\0\0\0\x06\0\x01", 10),
      bytes("MAC \x96\x0F", 6),
      bytes("wvpk\x20\0\0\0\x10\x04", 10),
      "\xFF\xD8\xFF\xE0",
      "\x89PNG\r\n\x1A\n",
      "GIF89a\x10\0",
      bytes("BM\x36\x10\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18),
      bytes("II*\0\x08\0\0\0", 8),
      "%PDF-1.7\n",
      "PK\x03\x04\x14\0",
      "\x1F\x8B\x08\0",
      "BZh91AY&SY",
      bytes("\xFD" "7zXZ\0", 6),
      "7z\xBC\xAF\x27\x1C",
      "Rar!\x1A\x07\x01",
  };
  for (const std::string& head : refused) EXPECT_TRUE(startsWithMediaSignature(head)) << head;

  // Text lines that begin like a signature, and the bytes of other playlists.
  const std::string kept[] = {"ID3 tags/a.mp3\n", "RIFF.mp3\n",          "RIFF and more/WAVE.mp3\n",
                              "OggS/a.ogg\n",     "fLaC.flac\n",         "BMW - Drive.mp3\n",
                              "MAC song.mp3\n",   "PK.mp3\n",            "BZh9 notes.txt\n",
                              "GIF.mp3\n",        "%PDF notes.mp3\n",    "FORM.mp3\n",
                              "\xEF\xBB\xBF#EXTM3U", "[playlist]\n",
                              "#EXTM3U\n",        "<?xml?>",             "\xFF\xE0\x00\x00",
                              "",                 "I",                   "\xFF"};
  for (const std::string& head : kept) EXPECT_FALSE(startsWithMediaSignature(head)) << head;
}

}  // namespace
}  // namespace kw
