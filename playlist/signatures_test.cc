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

// A module's mark stands at byte 1080, an ISO 9660 image's at 32769.
std::string at(size_t offset, const std::string& mark, char fill = '\0') {
  return std::string(offset, fill) + mark;
}

TEST(SignaturesTest, LosslessSurroundTrackerAndDiscFormats) {
  std::string mod = at(1080, "M.K.");
  mod[950] = 2;  // song length
  std::string iso = at(32768, bytes("\x01" "CD001\x01", 7));
  const std::string refused[] = {
      bytes("TTA1\x01\0\x02\0\x10\0\x44\xAC\0\0", 14),
      bytes("tBaK\x01\x22\0\0", 8),
      bytes("FRM8\0\0\0\0\0\0\x10\0DSD ", 16),
      bytes("\x0B\x77\x12\x34\x14\x40", 6),  // AC-3, 48 kHz, bsid 8
      "\x7F\xFE\x80\x01",
      bytes("riff\x2E\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\0\0\0\0\0\0\0\0\0\0wave", 28),
      bytes("caff\0\x01\0\0", 8),
      bytes(".snd\0\0\0\x18", 8),
      mod,
      "Extended Module: Song                \x1A",
      bytes("IMPMSong", 8) + std::string(35, '\0') + "\x02",  // compatible with version 2
      at(28, bytes("\x1A\x10", 2)) + std::string(14, '\0') + "SCRM",
      iso,
      bytes("\0\x05\x16\x07\0\x02\0\0", 8),
  };
  for (const std::string& head : refused) EXPECT_TRUE(startsWithMediaSignature(head)) << head.substr(0, 20);

  // The same marks in text.
  std::string textMod = at(1080, "M.K.", 'a');
  std::string textIso = at(32768, "xCD001x", 'a');
  const std::string kept[] = {"TTA1 songs/a.tta\n", "tBaK.m3u\n", "FRM8 notes\n", "Extended Module: notes\n",
                              "IMPM.mp3\n", at(44, "SCRM", 'a'), textMod, textIso, "riff/wave.mp3\n"};
  for (const std::string& head : kept) EXPECT_FALSE(startsWithMediaSignature(head)) << head.substr(0, 20);
}

TEST(SignaturesTest, CueSheetsAreToldFromPlaylists) {
  const std::pair<const char*, bool> cases[] = {
      {"REM GENRE Rock\r\nFILE \"Album.flac\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n", true},
      {"\xEF\xBB\xBF" "file album.wav wave\n\ttrack 1 audio\n", true},
      {"TRACK 01 AUDIO\nFILE \"a b.wav\" WAVE\n", true},
      {"FILE \"Album.flac\" WAVE\n", false},                  // no track
      {"FILE a b WAVE\nTRACK 01 AUDIO\n", false},             // a name with a blank needs quotes
      {"FILE \"a.flac\"\nTRACK 01 AUDIO\n", false},           // no word after the name
      {"FILE a.flac WAVE\nTRACK one AUDIO\n", false},         // no digits
      {"/music/FILE a.mp3\n/music/TRACK 01.mp3\n", false},
      {"File Under Pop/01.mp3\nTrack 01 Intro.mp3\n", false},   // playlist lines: names end them, not types
      {"FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2352\n", true},
  };
  for (const auto& [head, cue] : cases) EXPECT_EQ(looksLikeCueSheet(head), cue) << head;
  // Only the first 64 lines that are not blank count.
  std::string late = "FILE a.wav WAVE\n";
  for (int k = 0; k < 63; ++k) late += "\n  \nREM x\n";
  EXPECT_FALSE(looksLikeCueSheet(late + "TRACK 01 AUDIO\n"));
  EXPECT_TRUE(looksLikeCueSheet(late.substr(0, late.size() - 6) + "TRACK 01 AUDIO\n"));
}

TEST(SignaturesTest, AudioNamesInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"a.mp3", true},      {"A.MP3", true},      {"x/.y/a.Flac", true}, {"x.tar.ogg", true}, {"01.tta", true},
      {"a.DSF", true},      {"a.s3m", true},      {"a.w64", true},       {"a.au", true},      {"x.txt", false},
      {"mp3", false},       {".mp3", false},      {"d/.mp3", false},     {"a.mp3/b", false},  {"x.mp3.", false},
      {"x.mp33", false},    {"x.m3u", false},     {"x.cue", false}};
  for (const auto& [name, song] : cases) EXPECT_EQ(isAudioFileName(name), song) << name;
}

}  // namespace
}  // namespace kw
