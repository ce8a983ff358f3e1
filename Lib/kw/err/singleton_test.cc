#include "Lib/kw/err/singleton.h"

#include <gtest/gtest.h>

#include "Lib/kw/err/error.h"

namespace kw {
namespace {

struct OneOfAKind : SingletonGuard<OneOfAKind> {};

TEST(SingletonTest, SecondLiveInstanceIsAnInternalError) {
  OneOfAKind first;
  try {
    OneOfAKind second;
    FAIL() << "second instance was built";
  } catch (const err::InternalError& e) {
    EXPECT_STREQ(e.what(), "It's not allowed to construct more than one instance of a singleton");
  }
  EXPECT_EQ(SingletonGuard<OneOfAKind>::liveInstances, 1);
}

TEST(SingletonTest, AnotherInstanceMayFollowOnceTheFirstIsGone) {
  { OneOfAKind first; }
  OneOfAKind again;
  EXPECT_EQ(SingletonGuard<OneOfAKind>::liveInstances, 1);
}

}  // namespace
}  // namespace kw
