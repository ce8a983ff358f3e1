// The built-in character set tables against the C library's iconv, from which
// they were generated: a new glibc that converts differently, or a table
// edited by hand, shows up here. Linux only (the Windows build has no iconv).
#include "playlist/charset_tables.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <random>
#include <string>

#include "playlist/xml_text.h"

namespace kw::xml {
namespace {

// `in` converted whole by iconv, shift state flushed; nullopt when refused.
std::optional<std::string> iconvConverted(const char* to, const char* from, const std::string& in) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 8 + 16, '\0');
  char* source = const_cast<char*>(in.data());
  size_t sourceLeft = in.size();
  char* target = out.data();
  size_t targetLeft = out.size();
  const bool converted = iconv(cd, &source, &sourceLeft, &target, &targetLeft) != static_cast<size_t>(-1) &&
                         iconv(cd, nullptr, nullptr, &target, &targetLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!converted) return std::nullopt;
  out.resize(out.size() - targetLeft);
  return out;
}

std::string utf8Of(char32_t c) {
  std::string out;
  TextCodec("UTF-8").appendCharacter(c, out);
  return out;
}

TEST(CharsetTablesTest, EveryByteReadsAsIconvReadsIt) {
  for (const CharsetTable& table : charsetTables()) {
    const TextCodec codec(table.name);
    for (int b = 1; b < 256; ++b) {
      const std::string byte(1, static_cast<char>(b));
      const auto expected = iconvConverted("UTF-8", table.name, byte);
      EXPECT_EQ(codec.toUtf8(byte), expected ? *expected : utf8Of(static_cast<char32_t>(b)))
          << table.name << " byte " << b;
    }
  }
}

TEST(CharsetTablesTest, EveryCharacterIsWrittenAsIconvWritesIt) {
  for (const CharsetTable& table : charsetTables()) {
    const TextCodec codec(table.name);
    for (char32_t c = 0x80; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      const auto expected = iconvConverted(table.name, "UTF-8", utf8Of(c));
      std::string written;
      codec.appendCharacter(c, written);
      ASSERT_EQ(written, expected ? *expected : "&#" + std::to_string(static_cast<unsigned long>(c)) + ";")
          << table.name << " U+" << std::hex << static_cast<unsigned long>(c);
    }
  }
}

// Random texts, half of their bytes from the upper half where the letters
// and the combining marks of Windows-1255 and -1258 lie.
TEST(CharsetTablesTest, RandomTextsReadAsIconvReadsThem) {
  std::mt19937 random(22);
  for (const CharsetTable& table : charsetTables()) {
    const TextCodec codec(table.name);
    for (int round = 0; round < 2000; ++round) {
      std::string text;
      for (int k = random() % 12; k >= 0; --k) {
        unsigned char b = static_cast<unsigned char>(random() % 2 ? 0x80 + random() % 128 : 0x20 + random() % 96);
        if (b >= 0x80 && table.high[b - 0x80] == 0xFFFF) b = 'x';  // iconv refuses it: no reference
        text += static_cast<char>(b);
      }
      ASSERT_EQ(codec.toUtf8(text), iconvConverted("UTF-8", table.name, text).value_or("(refused)"))
          << table.name << " '" << text << "'";
    }
  }
}

}  // namespace
}  // namespace kw::xml
