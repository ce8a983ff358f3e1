#include "Lib/kw/err/kw_assert.h"

#include <gtest/gtest.h>

#include <functional>

namespace kw {
namespace {

std::string failureText(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(AssertTest, MessageLayout) {
  EXPECT_EQ(assertionMessage("x > 0", "a.cc", 12), "Assertion \"x > 0\" failed: a.cc, line 12");
}

TEST(AssertTest, AssertNonZeroPassesValuesThrough) {
  int value = 5;
  int* pointer = &value;
  EXPECT_EQ(assertNonZero(pointer), pointer);
  EXPECT_EQ(assertNonZero(7u), 7u);
  const std::string text = failureText([] { assertNonZero(0u); });
  EXPECT_EQ(text.rfind("Assertion \"t\" failed: ", 0), 0u) << text;
  EXPECT_NE(text.find(", line "), std::string::npos);
  const char* none = nullptr;
  EXPECT_FALSE(failureText([&] { assertNonZero(none); }).empty());
}

TEST(AssertTest, MacroNamesTheExpressionAndARelativeFile) {
  const std::string text = failureText([] { kw_assert(1 + 1 == 3); });
  EXPECT_EQ(text.rfind("Assertion \"1 + 1 == 3\" failed: Lib/kw/err/kw_assert_test.cc, line ", 0), 0u)
      << text;
}

}  // namespace
}  // namespace kw
