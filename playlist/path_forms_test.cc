#include "playlist/path_forms.h"

#include <gtest/gtest.h>

#include <random>

namespace kw {
namespace {

// A URL: a scheme of two characters or more before "://", but file://.
TEST(PathFormsTest, UrlsAndTheirSchemes) {
  const struct {
    const char* path;
    bool url;
    const char* scheme;
  } cases[] = {
      {"http://radio/x", true, "http"},   {"RTSP://x/s.mp3", true, "rtsp"}, {"svn+ssh://h/a", true, "svn+ssh"},
      {"smb://nas/a.mp3", true, "smb"},   {"file:///a", false, "file"},     {"FILE://localhost/a", false, "file"},
      {"c://x", false, ""},               {"C:\\x", false, ""},            {"/http://x", false, ""},
      {"ab:/x", false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isUrl(c.path), c.url) << c.path;
    EXPECT_EQ(uriScheme(c.path), c.scheme) << c.path;
  }
}

TEST(PathFormsTest, WindowsPathsAreToldByDriveOrBackslash) {
  for (const char* path : {"C:\\x", "c:x", "D:/x", "..\\x", "\\\\server\\x", "a\\b"}) {
    EXPECT_TRUE(isWindowsPath(path)) << path;
  }
  for (const char* path : {"/a", "rel/a", "file:///C:/x", "1:x", ""}) EXPECT_FALSE(isWindowsPath(path)) << path;
}

TEST(PathFormsTest, PlainPathsEncodeOnlyWhatDecodingWouldChange) {
  EXPECT_EQ(minimallyEncoded("a b/100%/%41%4/\xC3\xA9\xE9\t\x7F#?"), "a b/100%/%2541%4/\xC3\xA9%E9%09%7F#?");
  EXPECT_EQ(minimallyEncoded("\xED\xA0\x80\xF4\x90\x80\x80\xC0\xAF"), "%ED%A0%80%F4%90%80%80%C0%AF");
  for (const char* text : {"a%20b", "%e9", "x/%2F"}) EXPECT_TRUE(holdsPercentEscape(text)) << text;
  for (const char* text : {"a b", "100%", "%4/", "%g1", ""}) EXPECT_FALSE(holdsPercentEscape(text)) << text;
}

TEST(PathFormsTest, RandomBytesSurviveEncodingAndDecoding) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 40, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? "%/aZ"[random() % 4] : random());
    ASSERT_EQ(percentDecoded(percentEncoded(bytes)), bytes);
    ASSERT_EQ(percentDecoded(minimallyEncoded(bytes)), bytes);
    const std::string path = "/" + bytes;
    ASSERT_EQ(fileUriPath(fileUri(path)), path);
  }
}

}  // namespace
}  // namespace kw
