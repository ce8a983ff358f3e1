#include "Lib/kw/sys_dep/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace kw::sys_dep {
namespace {

constexpr std::chrono::seconds kTimeout{60};

// Bytes of every kind go through in both directions, and awkward words
// arrive as they were given (on Windows: through the quoting rules of a
// command line).
TEST(ProcessTest, InputOutputAndArgumentsPassUnchanged) {
  trackmend_test::ScratchDir work;
  const std::string input("x\0y\r\n\x1A\n", 7);
  const std::vector<std::string> words{"plain", "", "two words", "say \"hi\"",
                                       "a\\b\\", "\\\\server\\x y\\", "\xE6\x97\xA5"};
  const ProcessOutcome outcome = runProcess(PROCESS_TEST_CHILD, words, work.path(), &input, kTimeout);
  EXPECT_EQ(outcome.out, input);
  std::string expected;
  for (const std::string& word : words) expected += word + "\n";
  EXPECT_EQ(outcome.err, expected);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_FALSE(outcome.timedOut);
}

TEST(ProcessTest, WithoutStandardInputTheProgramSeesItsEnd) {
  trackmend_test::ScratchDir work;
  const ProcessOutcome outcome = runProcess(PROCESS_TEST_CHILD, {}, work.path(), nullptr, kTimeout);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.status, 3);
}

TEST(ProcessTest, WordsAreQuotedOnlyWhenNeeded) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain"},           {"", "\"\""},
      {"a b", "\"a b\""},           {"a\\b", "a\\b"},
      {"say \"hi\"", "\"say \\\"hi\\\"\""}, {"end\\ x\\", "\"end\\ x\\\\\""},
  };
  for (const auto& [word, quoted] : cases) EXPECT_EQ(quotedForCommandLine(word), quoted) << word;
}

}  // namespace
}  // namespace kw::sys_dep
