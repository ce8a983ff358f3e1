#include "Lib/kw/err/error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace kw::err {
namespace {

// Restores the process-wide default location after each test.
class ErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = Error::setDefaultLocation("trackmend"); }
  void TearDown() override { Error::setDefaultLocation(saved_); }
  static std::string printed(const Error& e) {
    std::ostringstream os;
    e.print(os);
    return os.str();
  }
  std::string saved_;
};

TEST_F(ErrorTest, ReportLayoutsWithAndWithoutPrefix) {
  EXPECT_EQ(printed(Error("x")), "\nError in trackmend: x\n");
  EXPECT_EQ(printed(Error(false, "x")), "\ntrackmend: x\n");
  EXPECT_EQ(printed(Error(std::string("y"))), "\nError in trackmend: y\n");
  EXPECT_STREQ(Error("x").what(), "x");
}

TEST_F(ErrorTest, LocationIsFixedWhenTheErrorIsBuilt) {
  Error before("x");
  Error::setDefaultLocation("other");
  EXPECT_EQ(printed(before), "\nError in trackmend: x\n");
  EXPECT_EQ(Error::setDefaultLocation("b"), "other");
  EXPECT_EQ(Error::setDefaultLocation("c"), "b");
}

TEST_F(ErrorTest, IOErrorTextsUseTheSystemMessage) {
  errno = ENOENT;
  IOError plain("f");
  EXPECT_EQ(std::string(plain.what()), std::string(std::strerror(ENOENT)) + " ('f')");
  errno = ENOENT;
  IOError withOperation("f", "rename");
  EXPECT_EQ(std::string(withOperation.what()),
            std::string(std::strerror(ENOENT)) + " for rename ('f')");
  EXPECT_TRUE(plain.withPrefix);
}

TEST_F(ErrorTest, InternalErrorAsksForABugReportToTheCurrentLocation) {
  Error::setDefaultLocation("first");
  InternalError e("broken");
  Error::setDefaultLocation("trackmend");
  EXPECT_EQ(printed(e),
            "\nInternalError in first: broken\n[please report to trackmend.BugReport@example.org]\n");
}

TEST_F(ErrorTest, HandleExceptionNamesTheStandardType) {
  auto report = [](const std::exception& e) {
    std::ostringstream os;
    handle_exception(e, os);
    return os.str();
  };
  const std::string tail = "\n[please report to trackmend.BugReport@example.org]\n";
  EXPECT_EQ(report(std::out_of_range("r")), "\nInternalError in trackmend: [logic_error: r]" + tail);
  EXPECT_EQ(report(std::overflow_error("o")),
            "\nInternalError in trackmend: [overflow_error: o]" + tail);
  EXPECT_EQ(report(std::invalid_argument("i")),
            "\nInternalError in trackmend: [invalid_argument: i]" + tail);
  EXPECT_EQ(report(std::runtime_error("t")), "\nInternalError in trackmend: [runtime_error: t]" + tail);
  EXPECT_EQ(report(std::exception()),
            "\nInternalError in trackmend: [exception: std::exception]" + tail);
  EXPECT_EQ(report(Error(false, "own")), "\ntrackmend: own\n");
}

// Runs first in a fresh process (death-test child), where the shared
// buffer does not exist yet.
TEST(FormatStringDeathTest, BufferStartsAt256AndGrowsByHalf) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        bool ok = formatBufferSize() == 0;
        ok = ok && formatString("%s", "x") == "x" && formatBufferSize() == 256;
        ok = ok && formatString("%s", std::string(255, 'a').c_str()).size() == 255;
        ok = ok && formatBufferSize() == 256;
        ok = ok && formatString("%s", std::string(300, 'b').c_str()) == std::string(300, 'b');
        ok = ok && formatBufferSize() == 384;
        ok = ok && formatString("%s", "short") == "short" && formatBufferSize() == 384;
        ok = ok && formatString("%s", std::string(576, 'c').c_str()).size() == 576;
        ok = ok && formatBufferSize() == 864;  // 384 -> 576 is one byte short for the NUL
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(FormatStringTest, FormatsAnyLength) {
  EXPECT_EQ(formatString("%s-%i", "a", 5), "a-5");
  const std::string long300(300, 'z');
  EXPECT_EQ(formatString("%s", long300.c_str()), long300);
  const std::string mega(1 << 20, 'q');
  EXPECT_EQ(formatString("<%s>", mega.c_str()).size(), mega.size() + 2);
  EXPECT_EQ(formatString("%s", ""), "");
}

TEST(ContactAddressTest, UsesADocumentationDomain) {
  EXPECT_EQ(contactAddress("trackmend"), "trackmend@example.org");
}

}  // namespace
}  // namespace kw::err
