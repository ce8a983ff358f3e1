#include "Lib/kw/err/terminator.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kw {
namespace {

const char kAdvice[] =
    "An uncaught exception occurred.\n\n"
    "Maybe you forgot to put the following code into your main():\n\n"
    "try {\n"
    " // your stuff\n"
    " return EXIT_SUCCESS;\n"
    "}\n"
    "catch (exception& e) { handle_exception(e); }\n"
    "catch (...) { Error e(\"Unknown exception\"); e.print(cerr); }\n"
    "return EXIT_FAILURE;\n";

TEST(TerminatorTest, AdviceText) {
  std::ostringstream os;
  Terminator::writeAdvice(os);
  EXPECT_EQ(os.str(), kAdvice);
}

[[noreturn]] void exitSeven() { std::_Exit(7); }
[[gnu::noinline]] void throwFive() { throw 5; }

// Each death test runs in a fresh child, where no Terminator exists yet; the
// handler in force before it exits with 7, so its call can be seen.
TEST(TerminatorDeathTest, EscapedExceptionPrintsAdviceThenCallsThePreviousHandler) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::set_terminate(&exitSeven);
        static Terminator terminator;
        []() noexcept { throwFive(); }();
      },
      ::testing::ExitedWithCode(7), "^An uncaught exception occurred\\.");
}

TEST(TerminatorDeathTest, PlainTerminateGoesStraightToThePreviousHandler) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::set_terminate(&exitSeven);
        static Terminator terminator;
        std::terminate();
      },
      ::testing::ExitedWithCode(7), "^$");
}

TEST(TerminatorDeathTest, SecondTerminatorFailsEvenAfterTheFirstIsGone) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        { Terminator first; }
        try {
          Terminator second;
        } catch (const std::runtime_error& e) {
          const std::string text = e.what();
          std::_Exit(text.rfind("Assertion \"!initialized\" failed: ", 0) == 0 ? 3 : 4);
        }
        std::_Exit(5);
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace kw
