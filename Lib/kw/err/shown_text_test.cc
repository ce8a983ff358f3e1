#include "Lib/kw/err/shown_text.h"

#include <gtest/gtest.h>

#include <sstream>

#include "Lib/kw/err/error.h"

namespace kw::err {
namespace {

TEST(ShownTextTest, ControlCharactersAsHexOnly) {
  const struct {
    std::string text, escaped;
  } cases[] = {
      {"\x1B]0;owned\a\x1B[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
      {std::string("a\0b\tc\x7F", 6), "a\\x00b\tc\\x7F"},           // tab stays
      {"C:\\x \xC2\x9B" "1m \xC2\xA0\xC3\xA9", "C:\\x \\xC2\\x9B1m \xC2\xA0\xC3\xA9"},  // C1 as UTF-8 only
      {"\x9B\xC2", "\x9B\xC2"},                                       // no UTF-8 C1: bytes stay
      {"line\nend\r", "line\\x0Aend\\x0D"},
  };
  for (const auto& c : cases) EXPECT_EQ(escapedControls(c.text), c.escaped) << c.escaped;
  EXPECT_EQ(escapedControls("a\n\x1B", true), "a\n\\x1B");
}

// Each stream on its own: bytes stay exactly as they are unless the stream
// is marked as a terminal; errors keep the lines of their layout.
TEST(ShownTextTest, EscapedOnlyOnAStreamMarkedAsATerminal) {
  std::ostringstream pipe, terminal;
  setShownOnTerminal(terminal, true);
  for (std::ostream* out : {static_cast<std::ostream*>(&pipe), static_cast<std::ostream*>(&terminal)}) {
    *out << "Song: '" << shown("x\x1B[2J") << "'\n";
    Error("bad \x1B]0;t\a name").print(*out);
  }
  EXPECT_EQ(pipe.str(), "Song: 'x\x1B[2J'\n\nError in <unknown>: bad \x1B]0;t\a name\n");
  EXPECT_EQ(terminal.str(), "Song: 'x\\x1B[2J'\n\nError in <unknown>: bad \\x1B]0;t\\x07 name\n");
  EXPECT_TRUE(shownOnTerminal(terminal));
  setShownOnTerminal(terminal, false);
  EXPECT_FALSE(shownOnTerminal(terminal));
}

}  // namespace
}  // namespace kw::err
