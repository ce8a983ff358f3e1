#include "main/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "main/run_in_child.h"
#include "tests/support/test_support.h"

namespace trackmend {
namespace {

const char kSeparator[] = " ------------------------------------------------------------------------------\n";

// The usage text as the tool prints it after the parser has marked the
// defaults (that is, in front of every command-line error report).
const std::string kUsage = std::string(" trackmend 1.15 (Jan  2 2003) by the trackmend authors\n") + kSeparator +
    " Purpose: Fixes paths in playlists (M3U and PLS format)\n"
    " Usage  : trackmend <opts> <validList> [<invalidList>]+\n"
    "\n"
    " <validList>  ::= playlist containing ALL your songs with valid paths\n"
    " <invalidList>::= playlist containing SOME songs with invalid paths\n"
    "\n"
    " <opts>::= -a              automatically select changed path, if filename is\n"
    "                           equal (path may differ)\n"
    "           -e<dirs>        auto-select only if the last <dirs> subdirectories\n"
    "                           are equal\n"
    "           -d              automatically delete duplicate entries\n"
    "           -s<value>       ask only if match-value >= <value> [Default=0.1]\n"
    "           -b<ratio>       auto-select best match if next <= <ratio> * best\n"
    "           -i              auto-select the only song with the same title,\n"
    "                           artist and length\n"
    "           -P              convert to PLS format\n"
    "           -M              convert to M3U format\n"
    "           -k              keep extended playlist info in [<invalidList>]+\n"
    "           -c              always copy extended playlist info from <validList>\n"
    "           -m<missingList> write unreplaced entries to <missingList>\n"
    "           -A              append to <missingList> [Default is to overwrite]\n"
    "           -D              Dupe-Finder (writes possible Dupes into\n"
    "                           <invalidList>)\n"
    "           -v<value>       minimal dupe name-match percentage [Default=0.8]\n"
    "           -t<seconds>     maximum time difference for dupes [Default=5]\n" +
    kSeparator + " Contact: trackmend@example.org\n" + kSeparator;

TEST(OptionTableTest, DeclarationOrderAndKinds) {
  const auto& options = kw::cmdline::optionList();
  std::string characters;
  for (const kw::cmdline::CmdLineOption* option : options) characters += option->optionChar;
  EXPECT_EQ(characters, "aedsbiPMkcmADvt");
  ASSERT_EQ(kw::cmdline::argumentList().size(), 2u);
  EXPECT_EQ(kw::cmdline::argumentList()[0], &validList);
  EXPECT_EQ(kw::cmdline::argumentList()[1], static_cast<kw::cmdline::CmdLineArgument*>(&invalidList));
  EXPECT_EQ(kw::cmdline::optionColumnWidth, 13u);
  EXPECT_EQ(kw::cmdline::argumentColumnWidth, 13u);
}

TEST(OptionTableTest, DefaultsMakeOptionsActiveButNotGiven) {
  for (auto* option : {&minMatch, &dupeNameMatch, &dupeTimeDiff}) {
    EXPECT_TRUE(option->active) << option->optionChar;
    EXPECT_FALSE(option->given()) << option->optionChar;
  }
  EXPECT_EQ(minMatch.currentValue, "0.1");
  EXPECT_EQ(dupeNameMatch.currentValue, "0.8");
  EXPECT_EQ(dupeTimeDiff.currentValue, "5");
  EXPECT_FALSE(equalDirs.active);
  EXPECT_EQ(equalDirs.currentValue, "");
  EXPECT_FALSE(missingList.active);
}

TEST(OptionTableTest, ProgramInformation) {
  EXPECT_EQ(programInfo.programName, "trackmend");
  EXPECT_EQ(programInfo.majorVersion, 1);
  EXPECT_EQ(programInfo.minorVersion, 15);
  EXPECT_EQ(programInfo.buildDate, "Jan  2 2003");
  EXPECT_EQ(kw::err::Error("x").location, "trackmend");
}

TEST(OptionTableTest, UsageBeforeParsingShowsNoDefaults) {
  std::ostringstream os;
  kw::cmdline::printUsage(programInfo, os);
  std::string expected = kUsage;
  for (const char* mark : {" [Default=0.1]", " [Default=0.8]", " [Default=5]"}) {
    expected.erase(expected.find(mark), std::string(mark).size());
  }
  EXPECT_EQ(os.str(), expected);
}

class CommandLineErrorTest : public ::testing::Test {
 protected:
  trackmend_test::RunResult run(const std::vector<std::string>& args) {
    return trackmend_test::runInChild(args, "", scratch.path());
  }
  trackmend_test::ScratchDir scratch;
};

TEST_F(CommandLineErrorTest, HelpSwitchesPrintTheUsageText) {
  for (const char* word : {"-h", "--help", "-?", "/?", "/h"}) {
    const auto result = run({word});
    EXPECT_EQ(result.status, 1) << word;
    EXPECT_EQ(result.out, "") << word;
    EXPECT_EQ(result.err, kUsage + "\ntrackmend: Help requested\n") << word;
  }
}

TEST_F(CommandLineErrorTest, ParserErrorsFollowTheUsageText) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "Missing arguments: <validList> [<invalidList>]+"},
      {{"v.m3u"}, "Missing arguments: [<invalidList>]+"},
      {{"-x", "v", "i"}, "Unknown option '-x'"},
      {{"-", "v", "i"}, "character awaited behind '-'"},
      {{"-a", "-a", "v", "i"}, "Option '-a' was already used (preceed with --multi to avoid this warning)."},
      {{"v", "i", "-m"}, "Option -m awaits argument <missingList>"},
  };
  for (const auto& [args, message] : cases) {
    const auto result = run(args);
    EXPECT_EQ(result.status, 1) << message;
    EXPECT_EQ(result.err, kUsage + "\nError in trackmend: " + message + "\n");
  }
}

TEST_F(CommandLineErrorTest, TheRulesBetweenOptions) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
    const char* shownDefault;  // a given value replaces the default in the usage text
    const char* shownValue;
  };
  const Case cases[] = {
      {{"-e", "2", "v", "i"}, "Specifying option -e does not make sense without option -a", "", ""},
      {{"-a", "-t", "3", "v", "i"}, "Option -a can't be used together with -t", "[Default=5]", "[Default=3]"},
      {{"-s0.2", "-D", "v", "i"}, "Option -s can't be used together with -D", "[Default=0.1]", "[Default=0.2]"},
      {{"-b0.8", "-v0.5", "v", "i"}, "Option -b can't be used together with -v", "[Default=0.8]", "[Default=0.5]"},
      {{"-i", "-D", "v", "i"}, "Option -i can't be used together with -D", "", ""},
  };
  for (const Case& c : cases) {
    const auto result = run(c.args);
    std::string usage = kUsage;
    if (*c.shownDefault) usage.replace(usage.find(c.shownDefault), std::string(c.shownDefault).size(), c.shownValue);
    EXPECT_EQ(result.status, 1) << c.message;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, usage + "\nError in trackmend: " + c.message + "\n");
  }
}

TEST_F(CommandLineErrorTest, UnknownLongOptionListsTheValidOnesWithoutUsage) {
  const auto result = run({"--verbose", "v", "i"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "\nError in trackmend: Unknown long option '--verbose'\n"
            "Valid options are:\n"
            "     --help          show command line help\n"
            "     --multi         allow to use args multiple (behind this option)\n");
}

}  // namespace
}  // namespace trackmend
