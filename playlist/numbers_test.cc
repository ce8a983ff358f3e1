#include "playlist/numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace kw {
namespace {

TEST(AtoiClampedTest, AgreesWithAtoiInsideTheIntRange) {
  for (const char* text : {"0", "12", "-7", "+5", "  \t42x", "1=a", "", "x1", "- 1", "--1", "007",
                           "2147483647", "-2147483648", " \n\v\f\r9"}) {
    EXPECT_EQ(atoiClamped(text), std::atoi(text)) << text;
  }
}

TEST(AtoiClampedTest, ClampsBeyondTheIntRange) {
  EXPECT_EQ(atoiClamped("2147483648"), INT_MAX);
  EXPECT_EQ(atoiClamped("99999999999999999999999999999999"), INT_MAX);
  EXPECT_EQ(atoiClamped("-2147483649"), INT_MIN);
  EXPECT_EQ(atoiClamped("-99999999999999999999999999999999=x"), INT_MIN);
  EXPECT_EQ(atoiClamped(std::string(10000, '9')), INT_MAX);
}

TEST(AtoiClampedTest, StopsAtTheEndOfTheView) {
  const std::string text = "123456";
  EXPECT_EQ(atoiClamped(std::string_view(text).substr(0, 3)), 123);
}

}  // namespace
}  // namespace kw
