#include "Lib/kw/cmdline/program_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Lib/kw/cmdline/cmdline_test_support.h"
#include "Lib/kw/sys_dep/environment.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/program_file.h"
#include "tests/support/test_support.h"

namespace kw::cmdline {
namespace {

using test_support::errorText;
using test_support::RegistryReset;
using test_support::Words;


const std::string kSeparator = " " + std::string(78, '-') + "\n";

void parse(ProgramInfo& info, std::vector<std::string> words) {
  Words argv(std::move(words));
  info.init(argv.argc(), argv.argv());
}

std::string wrapped(unsigned indent, unsigned margin, unsigned width, const std::string& text) {
  std::ostringstream os;
  printWrapped(os, indent, margin, width, text);
  return os.str();
}

TEST(PrintWrappedTest, ShortTextIsWrittenWhole) {
  EXPECT_EQ(wrapped(9, 1, 78, "Fixes paths"), "Fixes paths\n");
  EXPECT_EQ(wrapped(9, 1, 78, ""), "\n");
}

TEST(PrintWrappedTest, BreaksAtTheLastBlankThatFits) {
  EXPECT_EQ(wrapped(0, 1, 10, "one two three four"), "one two\n three four\n");
  // Exactly the capacity still fits on one line.
  EXPECT_EQ(wrapped(0, 1, 10, "one two th"), "one two th\n");
}

TEST(PrintWrappedTest, APurposeBeyondSixtyNineCharacters) {
  const std::string purpose = std::string(60, 'x') + " yyyyyyyy zzz";
  EXPECT_EQ(wrapped(9, 1, 78, purpose), std::string(60, 'x') + " yyyyyyyy\n" + std::string(10, ' ') + "zzz\n");
}

TEST(PrintWrappedTest, ALongWordIsCutAfterCapacityPlusOne) {
  EXPECT_EQ(wrapped(0, 0, 5, "abcdefghij"), "abcdef\nghij\n");
  EXPECT_EQ(wrapped(2, 1, 7, "abcdefghijklmno"), "abcdef\n   ghijkl\n   mno\n");
  // A blank at the start of the line is no place to break.
  EXPECT_EQ(wrapped(0, 0, 5, " abcdefghij"), " abcde\nfghij\n");
}

TEST(PrintWrappedTest, EmbeddedLineFeedsStartIndentedLines) {
  EXPECT_EQ(wrapped(2, 1, 78, "ab\ncd"), "ab\n   cd\n");
  EXPECT_EQ(wrapped(10, 1, 78, "\nnote\n"), "\n" + std::string(11, ' ') + "note\n" + std::string(11, ' ') + "\n");
}

TEST(PrintWrappedTest, AnIndentBeyondTheWidthMeansNoWrapping) {
  const std::string text = std::string(50, 'a') + " " + std::string(50, 'b');
  EXPECT_EQ(wrapped(80, 1, 78, text), text + "\n");
}

class UsageTest : public ::testing::Test {
 protected:
  std::string usage() {
    std::ostringstream os;
    printUsage(info, os);
    return os.str();
  }

  RegistryReset reset;
  ProgramInfo info{"prog", 1, 5, "Tests the usage text", "Jan  2 2003"};
  CmdLineOption a{'a', "flag a"};
  CmdLineArgumentOption s{'s', "value", "minimum", "0.1"};
  CmdLineArgument validList{"validList", "the valid list", nullptr, true};
  RepeatedCmdLineArgument invalidList{"invalidList", "the invalid lists"};
};

std::string smallUsage(const std::string& sHelp) {
  return " prog 1.05 (Jan  2 2003) by the trackmend authors\n" + kSeparator +
         " Purpose: Tests the usage text\n"
         " Usage  : prog <opts> <validList> [<invalidList>]+\n"
         "\n"
         " <validList>  ::= the valid list\n"
         " <invalidList>::= the invalid lists\n"
         "\n"
         " <opts>::= -a        flag a\n"
         "           -s<value> " +
         sHelp + "\n" + kSeparator + " Contact: prog@example.org\n" + kSeparator;
}

TEST_F(UsageTest, WholeTextOfASmallProgram) { EXPECT_EQ(usage(), smallUsage("minimum")); }

TEST_F(UsageTest, DefaultsShowAfterParsing) {
  parse(info, {"v", "i"});
  EXPECT_EQ(usage(), smallUsage("minimum [Default=0.1]"));
}

TEST_F(UsageTest, InfoErrorPrintsTheUsageTextFirst) {
  std::ostringstream os;
  InfoError(true, "Unknown option '-x'", info).print(os);
  EXPECT_EQ(os.str(), smallUsage("minimum") + "\nError in prog: Unknown option '-x'\n");

  std::ostringstream help;
  InfoError(false, "Help requested", info).print(help);
  EXPECT_EQ(help.str(), smallUsage("minimum") + "\nprog: Help requested\n");
}

TEST_F(UsageTest, UsageErrorThrowsAnInfoErrorWithPrefix) {
  try {
    info.usageError("bad");
    FAIL() << "no error";
  } catch (const InfoError& e) {
    EXPECT_STREQ(e.what(), "bad");
    EXPECT_TRUE(e.withPrefix);
    EXPECT_EQ(e.programInfo, &info);
  }
}

TEST_F(UsageTest, ASecondProgramInfoIsRefused) {
  std::string text = "<no error>";
  try {
    ProgramInfo second("other", 1, 0, "", "");
  } catch (const kw::err::InternalError& e) {
    text = e.what();
  }
  EXPECT_EQ(text, "It's not allowed to construct more than one instance of a singleton");
}

TEST_F(UsageTest, TheProgramNameBecomesTheErrorLocation) {
  EXPECT_EQ(kw::err::Error("x").location, "prog");
  EXPECT_EQ(kw::err::Error::defaultLocation(), "prog");
}

TEST(StringErrorTest, PrintsTheExtraTextRightAfterTheReport) {
  kw::err::Error::setDefaultLocation("prog");
  StringError error(true, "Unknown long option '--x'", "Valid options are:\n");
  std::ostringstream os;
  error.print(os);
  EXPECT_EQ(os.str(), "\nError in prog: Unknown long option '--x'\nValid options are:\n");
  StringError copy = error;
  EXPECT_EQ(copy.extraText, "Valid options are:\n");
}

TEST(UsageLayoutTest, AnnotationsStandBetweenAndBehindTheOptions) {
  RegistryReset reset;
  ProgramInfo info("p", 2, 0, "x", "d");
  CmdLineAnnotation head("General:", false);
  CmdLineOption a('a', "flag a");
  CmdLineAnnotation middle("More:", true);
  CmdLineOption b('b', "flag b");
  CmdLineAnnotation tail("Trailing note", false);
  const std::string blanks(11, ' ');
  std::ostringstream os;
  printUsage(info, os);
  EXPECT_EQ(os.str(), " p 2.00 (d) by the trackmend authors\n" + kSeparator +
                          " Purpose: x\n"
                          " Usage  : p <opts>\n"
                          "\n"
                          " <opts>::= General:\n" +
                          blanks + "-a flag a\n" + blanks + "\n" + blanks + "More:\n" + blanks + "\n" + blanks +
                          "-b flag b\n" + "\n" + blanks + "Trailing note\n" + blanks + "\n" + kSeparator +
                          " Contact: p@example.org\n" + kSeparator);
}

TEST(UsageLayoutTest, AProgramWithoutOptionsOrArguments) {
  RegistryReset reset;
  ProgramInfo info("p", 1, 15, "x", "d");
  CmdLineAnnotation tail("note", false);
  std::ostringstream os;
  printUsage(info, os);
  EXPECT_EQ(os.str(), " p 1.15 (d) by the trackmend authors\n" + kSeparator +
                          " Purpose: x\n"
                          " Usage  : p\n"
                          "\n"
                          "\n"
                          " note\n"
                          " \n" +
                          kSeparator + " Contact: p@example.org\n" + kSeparator);
}

TEST(UsageLayoutTest, LongHelpTextsWrapUnderTheirColumn) {
  RegistryReset reset;
  ProgramInfo info("p", 1, 0, "x", "d");
  CmdLineArgumentOption m('m', "missingList", std::string(40, 'h') + " " + std::string(20, 'i'), nullptr);
  std::ostringstream os;
  printUsage(info, os);
  const std::string expected = " <opts>::= -m<missingList> " + std::string(40, 'h') + "\n" + std::string(27, ' ') +
                               std::string(20, 'i') + "\n";
  EXPECT_NE(os.str().find(expected), std::string::npos) << os.str();
}

class RuleTest : public ::testing::Test {
 protected:
  RegistryReset reset;
  ProgramInfo info{"prog", 1, 15, "rules", "d"};
  CmdLineOption a{'a', ""};
  CmdLineArgumentOption e{'e', "dirs", "", nullptr};
  CmdLineOption d{'d', ""};
  CmdLineArgumentOption s{'s', "value", "", "0.1"};
  CmdLineOption D{'D', ""};
  CmdLineArgumentOption v{'v', "value", "", "0.8"};
  CmdLineArgumentOption t{'t', "seconds", "", "5"};
  CmdLineOption* repairGroup[5] = {&a, &e, &d, &s, nullptr};
  CmdLineOption* finderGroup[4] = {&D, &v, &t, nullptr};
};

TEST_F(RuleTest, RulesRefuseToRunBeforeParsing) {
  unsigned counter = 0;
  EXPECT_EQ(errorText([&] { exclude(info, repairGroup, finderGroup); }),
            "ProgramInfo::init() not called in exclude");
  EXPECT_EQ(errorText([&] { countOptions(repairGroup, counter, "or", false); }),
            "ProgramInfo::init() not called in countOptions");
  EXPECT_EQ(errorText([&] { requireOneOf(info, repairGroup); }), "ProgramInfo::init() not called in countOptions");
  EXPECT_EQ(errorText([&] { info.CallPath(); }), "ProgramInfo::init() not called in CallPath");
  EXPECT_EQ(errorText([&] { info.ProgramPath(); }), "ProgramInfo::init() not called in ProgramPath");
  // requireOption has no such check.
  EXPECT_EQ(errorText([&] { requireOption(info, a, e); }), "<no error>");
  EXPECT_THROW(exclude(info, repairGroup, finderGroup), kw::err::InternalError);
}

TEST_F(RuleTest, AccessorsAfterParsing) {
  parse(info, {});
  EXPECT_EQ(info.CallPath(), kw::sys_dep::currentDirectory());
  EXPECT_EQ(info.ProgramPath(), kw::sys_dep::directoryPart(kw::sys_dep::runningProgramFile()));
}

TEST_F(RuleTest, ExcludeReportsTheFirstGivenPair) {
  parse(info, {"-d", "-a", "-t", "3", "-D"});
  std::string text = "<no error>";
  try {
    exclude(info, repairGroup, finderGroup);
  } catch (const InfoError& error) {
    text = error.what();
    EXPECT_TRUE(error.withPrefix);
    EXPECT_EQ(error.programInfo, &info);
  }
  EXPECT_EQ(text, "Option -a can't be used together with -D");
}

TEST_F(RuleTest, DefaultsDoNotCountAsGiven) {
  parse(info, {"-a", "-e", "2"});
  EXPECT_EQ(errorText([&] { exclude(info, repairGroup, finderGroup); }), "<no error>");
}

TEST_F(RuleTest, AnOptionDoesNotExcludeItself) {
  parse(info, {"-a"});
  CmdLineOption* both[3] = {&a, &e, nullptr};
  EXPECT_EQ(errorText([&] { exclude(info, both, both); }), "<no error>");
}

TEST_F(RuleTest, RequireOption) {
  parse(info, {"-e", "2"});
  EXPECT_EQ(errorText([&] { requireOption(info, a, e); }),
            "Specifying option -e does not make sense without option -a");
  // An option with a default is present without being given.
  EXPECT_EQ(errorText([&] { requireOption(info, s, e); }), "<no error>");
  // A dependent option that is not given never fails.
  EXPECT_EQ(errorText([&] { requireOption(info, a, d); }), "<no error>");
}

TEST_F(RuleTest, CountOptionsListsWithTheConjunction) {
  parse(info, {"-a", "-d"});
  CmdLineOption* three[4] = {&a, &e, &d, nullptr};
  unsigned counter = 99;
  EXPECT_EQ(countOptions(three, counter, "or", false), " -a, -e or -d");
  EXPECT_EQ(counter, 2u);
  EXPECT_EQ(countOptions(three, counter, "and", true), " -a and -d");
  EXPECT_EQ(counter, 2u);
  CmdLineOption* one[2] = {&e, nullptr};
  EXPECT_EQ(countOptions(one, counter, "or", false), " or -e");
  EXPECT_EQ(counter, 0u);
}

TEST_F(RuleTest, RequireOneOf) {
  parse(info, {});
  CmdLineOption* three[4] = {&a, &e, &d, nullptr};
  EXPECT_EQ(errorText([&] { requireOneOf(info, three); }), "You have to specify one of the options -a, -e or -d.");
  CmdLineOption* defaults[2] = {&s, nullptr};
  EXPECT_EQ(errorText([&] { requireOneOf(info, defaults); }), "You have to specify one of the options or -s.");
}

TEST_F(RuleTest, RequireOneOfIsSatisfiedByOneGivenOption) {
  parse(info, {"-e7"});
  CmdLineOption* three[4] = {&a, &e, &d, nullptr};
  EXPECT_EQ(errorText([&] { requireOneOf(info, three); }), "<no error>");
}

// Runs locateProgram from a scratch folder with a PATH of our own, and puts
// the working directory and PATH back afterwards.
class LocateTest : public ::testing::Test {
 protected:
  LocateTest()
      : oldDirectory(std::filesystem::current_path()), oldPath(kw::sys_dep::environmentVariable("PATH")) {
    std::filesystem::create_directory(scratch.file("bin"));
    trackmend_test::writeFile(scratch.file("bin/fakeprog"), "#!/bin/sh\n");
    trackmend_test::writeFile(scratch.file("bin/tool.exe"), "MZ");
    std::filesystem::current_path(scratch.path());
  }
  ~LocateTest() override {
    std::filesystem::current_path(oldDirectory);
    setPath(oldPath);
  }

  static void setPath(const std::optional<std::string>& list) { kw::sys_dep::setEnvironmentVariable("PATH", list); }
  std::string ownDirectory() const { return kw::sys_dep::directoryPart(kw::sys_dep::runningProgramFile()); }
  // A folder of the scratch folder as the program-location step writes it.
  std::string full(const std::string& name) const { return kw::sys_dep::toFullPath(scratch.file(name)); }

  trackmend_test::ScratchDir scratch;
  std::filesystem::path oldDirectory;
  std::optional<std::string> oldPath;
  RegistryReset reset;
  ProgramInfo info{"prog", 1, 0, "", ""};
};

TEST_F(LocateTest, AnAbsolutePathIsTakenAsItIs) {
  setPath("");
  info.locateProgram(scratch.file("bin/fakeprog"));
  EXPECT_EQ(info.programPath, full("bin"));
  EXPECT_EQ(info.callPath, kw::sys_dep::currentDirectory());
}

TEST_F(LocateTest, ARelativePathIsTakenFromTheCurrentDirectory) {
  setPath("");
  info.locateProgram("bin/fakeprog");
  EXPECT_EQ(info.programPath, full("bin"));
}

TEST_F(LocateTest, ExeIsAppendedWhenNeeded) {
  setPath("");
  info.locateProgram("bin/tool");
  EXPECT_EQ(info.programPath, full("bin"));
}

TEST_F(LocateTest, ABareNameIsSearchedInPath) {
  setPath("/no/such/dir" + std::string(1, kw::sys_dep::listSeparatorOf("")) + scratch.file("bin"));
  info.locateProgram("fakeprog");
  EXPECT_EQ(info.programPath, full("bin"));
}

TEST_F(LocateTest, AnUnknownNameFallsBackToTheRunningImage) {
  setPath("/no/such/dir");
  info.locateProgram("made-up-name");
  EXPECT_EQ(info.programPath, ownDirectory());
}

TEST_F(LocateTest, ADirectoryIsNoProgram) {
  setPath("");
  info.locateProgram("bin");
  EXPECT_EQ(info.programPath, ownDirectory());
}

}  // namespace
}  // namespace kw::cmdline
