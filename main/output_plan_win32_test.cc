// Names of outputs on Windows: one file however its name is spelled.
#include <gtest/gtest.h>

#include <string>

#include "main/output_plan.h"
#include "tests/support/test_support.h"

namespace trackmend {
namespace {

using trackmend_test::writeFile;

TEST(SameFileWin32Test, LetterCaseSeparatorsAndDotsDoNotMakeAnotherFile) {
  trackmend_test::ScratchDir dir;
  writeFile(dir.file("v.m3u"), "x\n");
  writeFile(dir.file("w.m3u"), "x\n");
  EXPECT_TRUE(sameFile(dir.file("v.m3u"), dir.file("V.M3U")));  // NTFS: one file
  EXPECT_TRUE(sameFile(dir.file("v.m3u"), dir.path() + "\\sub\\..\\v.m3u"));
  EXPECT_FALSE(sameFile(dir.file("v.m3u"), dir.file("w.m3u")));
  // Names of files that do not exist yet compare as Windows compares them.
  EXPECT_TRUE(sameFile(dir.file("\xC3\xA4new.m3u"), dir.file("\xC3\x84NEW.M3U")));
  EXPECT_TRUE(sameFile("C:\\absent\\x.m3u", "c:/ABSENT/./y/../X.m3u"));
  EXPECT_FALSE(sameFile("C:\\absent\\x.m3u", "D:\\absent\\x.m3u"));
}

}  // namespace
}  // namespace trackmend
