#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "Lib/kw/cmdline/program_info.h"
#include "Lib/kw/cmdline/cmdline_test_support.h"
#include "Lib/kw/err/terminator.h"

namespace kw::cmdline {
namespace {

using test_support::RegistryReset;
using test_support::Words;


// What a parse ended with: the class of the error, its text and layout.
struct Outcome {
  std::string kind = "ok";
  std::string text;
  bool withPrefix = false;
  std::string extraText;
  const ProgramInfo* programInfo = nullptr;
};

Outcome outcomeOf(const std::function<void()>& action) {
  Outcome outcome;
  try {
    action();
  } catch (const InfoError& e) {
    outcome = {"InfoError", e.what(), e.withPrefix, "", e.programInfo};
  } catch (const StringError& e) {
    outcome = {"StringError", e.what(), e.withPrefix, e.extraText, nullptr};
  } catch (const kw::err::InternalError& e) {
    outcome = {"InternalError", e.what(), e.withPrefix, "", nullptr};
  } catch (const kw::err::Error& e) {
    outcome = {"Error", e.what(), e.withPrefix, "", nullptr};
  }
  return outcome;
}

// How `info.init` ends for the command line `words` (program name added).
Outcome parseWith(ProgramInfo& info, std::vector<std::string> words) {
  Words argv(std::move(words));
  return outcomeOf([&] { info.init(argv.argc(), argv.argv()); });
}

// The declarations of the examples: a plain option a, an argument option s
// with a default, a positional argument and a repeated positional argument.
class ParserTest : public ::testing::Test {
 protected:
  Outcome parse(std::vector<std::string> words) { return parseWith(info, std::move(words)); }

  RegistryReset reset;
  ProgramInfo info{"prog", 1, 15, "Tests the parser", "Jan  2 2003"};
  CmdLineOption a{'a', "flag a"};
  CmdLineArgumentOption s{'s', "value", "minimum", "0.1"};
  CmdLineArgument validList{"validList", "the valid list", nullptr, true};
  RepeatedCmdLineArgument invalidList{"invalidList", "the invalid lists"};
};

void expectInfoError(const Outcome& outcome, const std::string& text, bool withPrefix = true) {
  EXPECT_EQ(outcome.kind, "InfoError");
  EXPECT_EQ(outcome.text, text);
  EXPECT_EQ(outcome.withPrefix, withPrefix);
}

TEST_F(ParserTest, MissingPositionalArguments) {
  Outcome none = parse({});
  expectInfoError(none, "Missing arguments: <validList> [<invalidList>]+");
  EXPECT_EQ(none.programInfo, &info);
  EXPECT_FALSE(commandLineParsed);
  expectInfoError(parse({"valid.m3u"}), "Missing arguments: [<invalidList>]+");
  EXPECT_FALSE(commandLineParsed);
}

TEST_F(ParserTest, PositionalWordsFillTheArgumentsInOrder) {
  Outcome outcome = parse({"valid.m3u", "one.m3u", "/music/two.pls"});
  EXPECT_EQ(outcome.kind, "ok") << outcome.text;
  EXPECT_TRUE(commandLineParsed);
  EXPECT_EQ(validList.currentValue, "valid.m3u");
  EXPECT_TRUE(validList.given());
  EXPECT_EQ(invalidList.valueCount, 2);
  EXPECT_EQ(invalidList.getValue(), "one.m3u");
  EXPECT_EQ(invalidList.getValue(), "/music/two.pls");
  EXPECT_EQ(invalidList.getValue(), "");
  EXPECT_FALSE(a.active);
  EXPECT_FALSE(s.given());
}

TEST_F(ParserTest, DefaultsAreMarkedForTheUsageText) {
  EXPECT_FALSE(s.showDefault);
  ASSERT_EQ(parse({"v", "i"}).kind, "ok");
  EXPECT_TRUE(s.showDefault);
  EXPECT_FALSE(validList.showDefault);
  EXPECT_EQ(s.helpText(), "minimum [Default=0.1]");
}

TEST_F(ParserTest, ShowDefaultIsDecidedBeforeTheWordsAreRead) {
  ASSERT_EQ(parse({"-s0.7", "v", "i"}).kind, "ok");
  EXPECT_TRUE(s.showDefault);
  EXPECT_EQ(s.helpText(), "minimum [Default=0.7]");
}

TEST_F(ParserTest, GroupedOptionsAndGluedArguments) {
  ASSERT_EQ(parse({"-as0.5", "v", "i"}).kind, "ok");
  EXPECT_TRUE(a.active);
  EXPECT_TRUE(s.given());
  EXPECT_EQ(s.currentValue, "0.5");
}

TEST_F(ParserTest, ArgumentAsTheNextWord) {
  ASSERT_EQ(parse({"-s", "0.5", "v", "i"}).kind, "ok");
  EXPECT_EQ(s.currentValue, "0.5");
  EXPECT_FALSE(a.active);
}

TEST_F(ParserTest, TheRestOfTheGroupIsTheArgument) {
  ASSERT_EQ(parse({"-sa", "v", "i"}).kind, "ok");
  EXPECT_EQ(s.currentValue, "a");
  EXPECT_FALSE(a.active);
}

TEST_F(ParserTest, TheNextWordIsTakenWhateverItLooksLike) {
  ASSERT_EQ(parse({"-s", "-a", "v", "i"}).kind, "ok");
  EXPECT_EQ(s.currentValue, "-a");
  EXPECT_FALSE(a.active);
}

TEST_F(ParserTest, MissingOptionArgument) {
  expectInfoError(parse({"v", "i", "-s"}), "Option -s awaits argument <value>");
  expectInfoError(parse({"-s", "", "v", "i"}), "Option -s awaits argument <value>");
}

TEST_F(ParserTest, RepeatedOptionsNeedMulti) {
  expectInfoError(parse({"-a", "-a", "v", "i"}),
                  "Option '-a' was already used (preceed with --multi to avoid this warning).");
}

TEST_F(ParserTest, MultiAllowsRepetitionBehindIt) {
  EXPECT_EQ(parse({"--multi", "-a", "-a", "v", "i"}).kind, "ok");
}

TEST_F(ParserTest, MultiBetweenTheRepetitions) { EXPECT_EQ(parse({"-a", "--multi", "-a", "v", "i"}).kind, "ok"); }

TEST_F(ParserTest, MultiAfterTheRepetitionIsTooLate) {
  expectInfoError(parse({"-a", "-a", "--multi", "v", "i"}),
                  "Option '-a' was already used (preceed with --multi to avoid this warning).");
}

TEST_F(ParserTest, MultiIsCaseInsensitiveAndMayStandAmongPositionals) {
  EXPECT_EQ(parse({"v", "--MULTI", "-s1", "i", "-s2"}).kind, "ok");
  EXPECT_EQ(s.currentValue, "2");
}

TEST_F(ParserTest, AnArgumentOptionGivenTwice) {
  expectInfoError(parse({"-s", "0.5", "-s", "0.7", "v", "i"}),
                  "Option '-s' was already used (preceed with --multi to avoid this warning).");
  EXPECT_EQ(s.currentValue, "0.5");
}

TEST_F(ParserTest, UnknownOptionCharacters) {
  expectInfoError(parse({"-x", "v", "i"}), "Unknown option '-x'");
  EXPECT_FALSE(a.active);
  expectInfoError(parse({"-ax", "v", "i"}), "Unknown option '-x'");
  EXPECT_TRUE(a.active);  // stored before the failure, and kept
  EXPECT_FALSE(commandLineParsed);
}

TEST_F(ParserTest, OptionCharactersAreCaseSensitive) {
  expectInfoError(parse({"-A", "v", "i"}), "Unknown option '-A'");
}

TEST_F(ParserTest, LoneMinusSign) { expectInfoError(parse({"-", "v", "i"}), "character awaited behind '-'"); }

TEST_F(ParserTest, UnknownLongOptions) {
  const std::string valid =
      "Valid options are:\n"
      "     --help          show command line help\n"
      "     --multi         allow to use args multiple (behind this option)\n";
  for (const char* word : {"--", "--HELP", "--multiple", "--x"}) {
    Outcome outcome = parse({"v", "i", word});
    EXPECT_EQ(outcome.kind, "StringError") << word;
    EXPECT_EQ(outcome.text, std::string("Unknown long option '") + word + "'");
    EXPECT_TRUE(outcome.withPrefix);
    EXPECT_EQ(outcome.extraText, valid);
  }
}

TEST_F(ParserTest, HelpRequests) {
  for (const char* word : {"--help", "-h", "-?", "/?", "/h", "-hx", "/-help", "/home/list.m3u", "-?a"}) {
    Outcome outcome = parse({"v", word});
    expectInfoError(outcome, "Help requested", false);
    EXPECT_EQ(outcome.programInfo, &info) << word;
  }
}

TEST_F(ParserTest, HelpIsRequestedEvenAfterOtherErrorsWouldFollow) {
  expectInfoError(parse({"-h", "-x"}), "Help requested", false);
}

TEST_F(ParserTest, SlashWordsArePositional) {
  ASSERT_EQ(parse({"/music/valid.m3u", "/lists/x.m3u"}).kind, "ok");
  EXPECT_EQ(validList.currentValue, "/music/valid.m3u");
  EXPECT_EQ(invalidList.getValue(), "/lists/x.m3u");
}

TEST_F(ParserTest, EmptyWordsArePositional) {
  ASSERT_EQ(parse({"", "i"}).kind, "ok");
  EXPECT_EQ(validList.currentValue, "");
  EXPECT_TRUE(validList.given());
}

TEST_F(ParserTest, InstallsTheTerminateHandler) {
  ASSERT_EQ(parse({"v", "i"}).kind, "ok");
  EXPECT_EQ(std::get_terminate(), &kw::Terminator::onTerminate);
  EXPECT_TRUE(kw::Terminator::initialized);
  // A second parse must not try to build a second Terminator.
  EXPECT_EQ(parse({"v", "i"}).kind, "ok");
}

TEST_F(ParserTest, DuplicatedOptionCharacterFailsBeforeAnyWord) {
  CmdLineOption again('a', "another a");
  Outcome outcome = parse({"-h"});
  EXPECT_EQ(outcome.kind, "InternalError");
  EXPECT_EQ(outcome.text, "Duplicated usage of option character 'a'");
}

TEST_F(ParserTest, ArgumentCountOfZeroIsTolerated) {
  Outcome outcome = outcomeOf([&] { info.init(0, nullptr); });
  expectInfoError(outcome, "Missing arguments: <validList> [<invalidList>]+");
}

class SingleArgumentTest : public ::testing::Test {
 protected:
  Outcome parse(std::vector<std::string> words) { return parseWith(info, std::move(words)); }

  RegistryReset reset;
  ProgramInfo info{"prog", 1, 0, "", ""};
  CmdLineOption h{'h', "help-like"};
  CmdLineOption z{'z', "zet"};
  CmdLineArgument only{"only", "", "fallback", true};
};

TEST_F(SingleArgumentTest, SuperfluousArgument) {
  expectInfoError(parse({"one", "two"}), "Superfluous argument 'two'");
  EXPECT_EQ(only.currentValue, "one");
}

TEST_F(SingleArgumentTest, APositionalDefaultDoesNotMakeItOptional) {
  expectInfoError(parse({}), "Missing arguments: <only>");
  EXPECT_TRUE(only.showDefault);
}

TEST_F(SingleArgumentTest, AnOptionNamedHIsFoundInsideAGroup) {
  EXPECT_EQ(parse({"-zh", "x"}).kind, "ok");
  EXPECT_TRUE(h.active);
  expectInfoError(parse({"-h"}), "Help requested", false);
}

bool isM3u(const std::string* value) {
  return value == nullptr || (value->size() > 4 && value->compare(value->size() - 4, 4, ".m3u") == 0);
}

class BoundedRepeatTest : public ::testing::Test {
 protected:
  Outcome parse(std::vector<std::string> words) { return parseWith(info, std::move(words)); }

  RegistryReset reset;
  ProgramInfo info{"prog", 1, 0, "", ""};
  RepeatableCmdLineArgument lists{"list", "", 0, 2, isM3u, true};
  CmdLineArgument last{"last", "", nullptr, true};
};

TEST_F(BoundedRepeatTest, TheCursorMovesWhenTheArgumentIsFull) {
  ASSERT_EQ(parse({"x.m3u", "y.m3u", "z.m3u"}).kind, "ok");
  EXPECT_EQ(lists.valueCount, 2);
  EXPECT_EQ(last.currentValue, "z.m3u");
}

TEST_F(BoundedRepeatTest, ARejectedWordGoesToTheNextArgument) {
  ASSERT_EQ(parse({"x.m3u", "notes.txt"}).kind, "ok");
  EXPECT_EQ(lists.valueCount, 1);
  EXPECT_EQ(last.currentValue, "notes.txt");
}

TEST_F(BoundedRepeatTest, AnAcceptedEndIsNotMissing) {
  expectInfoError(parse({}), "Missing arguments: <last>");
  expectInfoError(parse({"x.m3u"}), "Missing arguments: <last>");
}

TEST_F(BoundedRepeatTest, ARejectedWordBehindTheLastArgumentIsSuperfluous) {
  expectInfoError(parse({"a.txt", "b.txt"}), "Superfluous argument 'b.txt'");
}

}  // namespace
}  // namespace kw::cmdline
