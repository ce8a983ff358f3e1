#include "Lib/kw/cmdline/cmdline.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <type_traits>

#include "Lib/kw/cmdline/cmdline_test_support.h"
#include "Lib/kw/err/error.h"

namespace kw::cmdline {
namespace {

using test_support::errorText;


static_assert(!std::is_copy_constructible_v<CmdLineHelpText>);
static_assert(!std::is_copy_assignable_v<CmdLineOption>);
static_assert(!std::is_copy_constructible_v<CmdLineArgumentOption>);

// Declared objects of a test register in the global lists and never leave
// them, so every test starts and ends with empty registries.
class CmdLineTest : public ::testing::Test {
 protected:
  CmdLineTest() { testing::clearRegistries(); }
  ~CmdLineTest() override { testing::clearRegistries(); }
};

TEST_F(CmdLineTest, ObjectsRegisterInDeclarationOrder) {
  CmdLineOption a('a', "flag a");
  CmdLineArgument first("first", "the first", nullptr, true);
  CmdLineArgumentOption s('s', "value", "a value", "0.1");
  CmdLineArgument hidden("hidden", "not positional", nullptr, false);
  RepeatedCmdLineArgument rest("rest", "the rest");
  CmdLineAnnotation note("a note", false);
  RepeatedCmdLineArgumentOption f('f', "file", ',', "files", nullptr);

  ASSERT_EQ(optionList().size(), 3u);
  EXPECT_EQ(optionList()[0], &a);
  EXPECT_EQ(optionList()[1], static_cast<CmdLineOption*>(&s));
  EXPECT_EQ(optionList()[2], static_cast<CmdLineOption*>(&f));
  ASSERT_EQ(argumentList().size(), 2u);
  EXPECT_EQ(argumentList()[0], &first);
  EXPECT_EQ(argumentList()[1], static_cast<CmdLineArgument*>(&rest));
  ASSERT_EQ(annotationList().size(), 1u);
  EXPECT_EQ(note.position, 2);
  EXPECT_EQ(note.helpText(), "a note");
}

TEST_F(CmdLineTest, AnArgumentOptionHoldsOneHelpTextForBothParts) {
  CmdLineArgumentOption s('s', "value", "ask only above <value>", "0.8");
  s.showDefault = true;
  const CmdLineOption& option = s;
  const CmdLineArgument& argument = s;
  EXPECT_EQ(option.helpText(), "ask only above <value> [Default=0.8]");
  EXPECT_EQ(argument.helpText(), "ask only above <value> [Default=0.8]");
  s.showDefault = false;
  EXPECT_EQ(option.helpText(), "ask only above <value>");
}

TEST_F(CmdLineTest, ColumnWidthsFollowTheLongestNames) {
  CmdLineArgument validList("validList", "", nullptr, true);
  EXPECT_EQ(argumentColumnWidth, 11u);
  CmdLineArgument shortName("v", "", nullptr, true);
  EXPECT_EQ(argumentColumnWidth, 11u);
  // Repeatable positionals register their plain form, not the bracketed one.
  RepeatedCmdLineArgument invalidList("invalidList", "");
  EXPECT_EQ(argumentColumnWidth, 13u);

  CmdLineArgumentOption t('t', "seconds", "", "5");
  EXPECT_EQ(optionColumnWidth, 9u);
  CmdLineArgumentOption e('e', "dirs", "", nullptr);
  EXPECT_EQ(optionColumnWidth, 9u);
  RepeatedCmdLineArgumentOption f('f', "file", ',', "", nullptr);
  EXPECT_EQ(optionColumnWidth, 16u);  // <file>[,<file>]*
}

TEST_F(CmdLineTest, PrintOptionPadsToTheColumnWidth) {
  CmdLineOption d('D', "");
  CmdLineArgumentOption s('s', "value", "", "0.1");
  CmdLineArgumentOption t('t', "seconds", "", "5");
  ASSERT_EQ(optionColumnWidth, 9u);
  std::ostringstream plain, withArgument;
  d.printOption(plain);
  s.printOption(withArgument);
  EXPECT_EQ(plain.str(), "-D" + std::string(10, ' '));
  EXPECT_EQ(withArgument.str(), "-s<value>   ");

  RepeatedCmdLineArgumentOption f('f', "file", ',', "", nullptr);
  std::ostringstream repeated;
  f.printOption(repeated);
  EXPECT_EQ(repeated.str(), "-f<file>[,<file>]* ");
}

TEST_F(CmdLineTest, DefaultsMakeArgumentOptionsActiveButNotGiven) {
  CmdLineArgumentOption t('t', "seconds", "", "5");
  CmdLineArgumentOption m('m', "missingList", "", nullptr);
  EXPECT_TRUE(t.active);
  EXPECT_FALSE(t.given());
  EXPECT_EQ(t.currentValue, "5");
  EXPECT_FALSE(m.active);
  EXPECT_EQ(m.currentValue, "");
  EXPECT_EQ(m.toInt(), 0);

  m.setValue("out.m3u", false);
  EXPECT_TRUE(m.active);
  EXPECT_TRUE(m.given());
  const CmdLineArgument& argumentPart = m;
  EXPECT_TRUE(argumentPart.given());
}

TEST_F(CmdLineTest, EmptyDefaultIsADeclarationFault) {
  ::testing::internal::CaptureStderr();
  std::string text = "<no error>";
  try {
    CmdLineArgumentOption broken('q', "value", "", "");
  } catch (const kw::err::InternalError& e) {
    text = e.what();
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Empty default argument for option -q\n");
  EXPECT_EQ(text, "see above");
}

TEST_F(CmdLineTest, ResetOfArgumentOptions) {
  CmdLineArgumentOption s('s', "value", "", "0.1");
  s.showDefault = true;
  s.valueGiven = true;
  s.reset();
  EXPECT_FALSE(s.active);
  EXPECT_EQ(s.currentValue, "");
  EXPECT_FALSE(s.showDefault);
  EXPECT_FALSE(s.valueGiven);

  // An empty value keeps its marks.
  CmdLineArgumentOption e('e', "dirs", "", nullptr);
  e.active = true;
  e.showDefault = true;
  e.valueGiven = true;
  e.reset();
  EXPECT_FALSE(e.active);
  EXPECT_TRUE(e.showDefault);
  EXPECT_TRUE(e.valueGiven);

  CmdLineOption a('a', "");
  a.active = true;
  a.reset();
  EXPECT_FALSE(a.given());
}

TEST_F(CmdLineTest, ToIntAcceptsDecimalAndHexadecimalDigits) {
  CmdLineArgument n("n", "", nullptr, false);
  const std::pair<const char*, int> cases[] = {
      {"42", 42}, {"", 0}, {"0x10", 16}, {"0x", 0}, {"007", 7}, {"2147483647", 2147483647}, {"0x7", 7}};
  for (const auto& [text, expected] : cases) {
    n.currentValue = text;
    EXPECT_EQ(n.toInt(), expected) << text;
  }
}

TEST_F(CmdLineTest, ToIntRejectsEverythingElse) {
  CmdLineArgument n("dirs", "", nullptr, false);
  // Signs, blanks, hexadecimal letters, a misplaced x, and values beyond int.
  for (const char* text : {"-5", "+5", " 5", "0x1F", "1x0", "12a", "x", "0xx1", "2147483648",
                           "99999999999999999999", "0x99999999"}) {
    n.currentValue = text;
    EXPECT_EQ(errorText([&] { n.toInt(); }),
              std::string("Numeric argument awaited in <dirs> '") + text + "' (dec or hex '0x..') ")
        << text;
    EXPECT_EQ(n.currentValue, text);
  }
}

TEST_F(CmdLineTest, ToDoubleAcceptsOnePointOrComma) {
  CmdLineArgument v("value", "", nullptr, false);
  const std::pair<const char*, double> cases[] = {
      {"0,75", 0.75}, {"0.8", 0.8}, {".5", 0.5}, {"5.", 5.0}, {"", 0.0}, {"7", 7.0}, {".", 0.0}};
  for (const auto& [text, expected] : cases) {
    v.currentValue = text;
    EXPECT_DOUBLE_EQ(v.toDouble(), expected) << text;
    EXPECT_EQ(v.currentValue, text);
  }
}

TEST_F(CmdLineTest, ToDoubleRejectsEverythingElse) {
  CmdLineArgument v("value", "", nullptr, false);
  const std::pair<const char*, const char*> cases[] = {
      {"1.2.3", "1.2.3"}, {"1e5", "1e5"}, {"-0.5", "-0.5"}, {"1,2,3", "1.2.3"}, {"0,5 ", "0.5 "}};
  for (const auto& [text, shown] : cases) {
    v.currentValue = text;
    EXPECT_EQ(errorText([&] { v.toDouble(); }),
              std::string("Floating point argument awaited in <value> '") + shown + "'")
        << text;
    EXPECT_EQ(v.currentValue, text);
  }
}

TEST_F(CmdLineTest, RepeatableArgumentHandsOutItsValuesAndRewinds) {
  RepeatedCmdLineArgument list("invalidList", "");
  for (const char* word : {"a", "b", "c"}) list.setValue(word, false);
  EXPECT_EQ(list.valueCount, 3);
  EXPECT_EQ(list.getValue(), "a");
  EXPECT_EQ(list.getValue(), "b");
  EXPECT_EQ(list.getValue(), "c");
  EXPECT_EQ(list.getValue(), "");
  EXPECT_EQ(list.getValue(), "");
  EXPECT_EQ(list.valueCount, 3);
  EXPECT_TRUE(list.given());

  list.rewind();
  EXPECT_EQ(list.getValue(), "a");
  EXPECT_EQ(list.getValue(), "b");
  list.rewind();
  EXPECT_EQ(list.getValue(), "a");
  EXPECT_EQ(list.getValue(), "b");
  EXPECT_EQ(list.getValue(), "c");
  EXPECT_EQ(list.getValue(), "");
}

TEST_F(CmdLineTest, AnEmptyValueBehindAFilledOneEndsTheSequence) {
  RepeatedCmdLineArgument list("invalidList", "");
  for (const char* word : {"", "a", "", "b"}) list.setValue(word, false);
  EXPECT_EQ(list.valueCount, 4);
  EXPECT_EQ(list.getValue(), "a");
  EXPECT_EQ(list.getValue(), "");
  EXPECT_EQ(list.getValue(), "b");
}

TEST_F(CmdLineTest, RepeatableDisplayNames) {
  RepeatableCmdLineArgument one("n", "", 1, -1, acceptAnyValue, false);
  RepeatableCmdLineArgument many("n", "", 0, 5, acceptAnyValue, false);
  RepeatableCmdLineArgument single("n", "", 0, 1, acceptAnyValue, false);
  RepeatableCmdLineArgument unlimited("n", "", 0, -1, acceptAnyValue, false);
  RepeatedCmdLineArgument invalidList("invalidList", "");
  EXPECT_EQ(one.displayName(), "[<n>]+");
  EXPECT_EQ(many.displayName(), "[<n>]*");
  EXPECT_EQ(single.displayName(), "[<n>]");
  EXPECT_EQ(unlimited.displayName(), "[<n>]");
  EXPECT_EQ(invalidList.displayName(), "[<invalidList>]+");
  EXPECT_EQ(invalidList.minCount, 1);
  EXPECT_EQ(invalidList.maxCount, -1);
  EXPECT_TRUE(acceptAnyValue(nullptr));
}

TEST_F(CmdLineTest, RepeatedOptionSplitsAtTheSeparator) {
  RepeatedCmdLineArgumentOption f('f', "file", ',', "files", nullptr);
  EXPECT_FALSE(f.active);
  EXPECT_TRUE(f.takesArgument());
  f.setValue(",a,,b,", false);
  EXPECT_TRUE(f.active);
  EXPECT_TRUE(f.given());
  EXPECT_EQ(f.valueCount, 2);
  EXPECT_EQ(f.getValue(), "a");
  EXPECT_EQ(f.getValue(), "b");
  EXPECT_EQ(f.getValue(), "");
  EXPECT_EQ(f.displayName(), "<file>[,<file>]*");
}

TEST_F(CmdLineTest, RepeatedOptionDefaultIsStoredButNotGiven) {
  RepeatedCmdLineArgumentOption f('f', "file", ';', "files", "x;y");
  EXPECT_TRUE(f.active);
  EXPECT_FALSE(f.given());
  EXPECT_EQ(f.valueCount, 2);
  EXPECT_EQ(f.getValue(), "x");
  f.reset();
  EXPECT_FALSE(f.active);
  EXPECT_EQ(f.currentValue, "");
  EXPECT_EQ(f.pendingValues.size(), 0u);  // "y" was handed on when "x" went out
}

TEST_F(CmdLineTest, AnnotationsRememberTheOptionsBeforeThem) {
  CmdLineAnnotation first("before all", true);
  CmdLineOption a('a', "");
  CmdLineOption b('b', "");
  CmdLineAnnotation later("after b", false);
  EXPECT_EQ(first.position, 0);
  EXPECT_TRUE(first.blankLineBefore);
  EXPECT_EQ(later.position, 2);
  EXPECT_FALSE(later.blankLineBefore);
}

}  // namespace
}  // namespace kw::cmdline
