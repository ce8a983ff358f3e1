#include "main/output_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/test_support.h"

namespace trackmend {
namespace {

using trackmend_test::fileExists;
using trackmend_test::writeFile;

TEST(SameFileTest, TheSameFileHoweverSpelled) {
  trackmend_test::ScratchDir dir;
  writeFile(dir.file("v.m3u"), "x\n");
  writeFile(dir.file("w.m3u"), "x\n");
  writeFile(dir.file("W2.m3u"), "x\n");
  writeFile(dir.file("w2.m3u"), "x\n");
  ASSERT_EQ(link(dir.file("v.m3u").c_str(), dir.file("hard.m3u").c_str()), 0);
  ASSERT_EQ(symlink("/", dir.file("root").c_str()), 0);
  EXPECT_TRUE(sameFile(dir.file("v.m3u"), dir.file("./v.m3u")));
  EXPECT_TRUE(sameFile(dir.file("v.m3u"), dir.path() + "//sub/../v.m3u") || !fileExists(dir.file("sub")));
  EXPECT_TRUE(sameFile(dir.file("v.m3u"), dir.file("hard.m3u")));
  EXPECT_FALSE(sameFile(dir.file("v.m3u"), dir.file("w.m3u")));
  // Two existing files are told apart by their identity, whatever the case.
  EXPECT_FALSE(sameFile(dir.file("W2.m3u"), dir.file("w2.m3u")));
  // Files that do not exist (yet) are compared by their names, resolved as
  // the kernel resolves "..", letter case ignored.
  EXPECT_TRUE(sameFile(dir.file("new.m3u"), dir.file("./x/../new.m3u")));
  EXPECT_TRUE(sameFile(dir.file("new.m3u"), dir.file("NEW.M3U")));
  EXPECT_TRUE(sameFile("/trackmend-absent.m3u", dir.file("root/../trackmend-absent.m3u")));
  EXPECT_FALSE(sameFile(dir.file("new.m3u"), dir.file("other.m3u")));
  EXPECT_FALSE(sameFile(dir.file("new.m3u"), dir.file("v.m3u")));
}

}  // namespace
}  // namespace trackmend
