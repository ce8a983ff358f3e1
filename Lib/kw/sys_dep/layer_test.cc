// The small parts of the platform layer, on whichever platform runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Lib/kw/sys_dep/code_page.h"
#include "Lib/kw/sys_dep/environment.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/folder_listing.h"
#include "Lib/kw/sys_dep/huge_buffer.h"
#include "Lib/kw/sys_dep/input_handle.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "Lib/kw/sys_dep/program_file.h"
#include "tests/support/test_support.h"

namespace kw::sys_dep {
namespace {

// A value outside every ANSI code page survives the round trip.
TEST(EnvironmentTest, ValuesAreUtf8BothWays) {
  const char* name = "TRACKMEND_LAYER_TEST";
  setEnvironmentVariable(name, "Bj\xC3\xB6rk/\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(environmentVariable(name), "Bj\xC3\xB6rk/\xE6\x97\xA5\xE6\x9C\xAC");
  setEnvironmentVariable(name, std::nullopt);
  EXPECT_EQ(environmentVariable(name), std::nullopt);
}

// Windows-1252, the tests' ANSI code page (LC_ALL=C.UTF-8 under Wine):
// "\xC3\xB6" and the euro sign fit, "\xE6\x97\xA5" does not, nor does "\xC4\x80"
// by a best fit to "A". POSIX converts nothing.
TEST(CodePageTest, AnsiTextOnWindowsOnly) {
  if (!hasAnsiPlaylists()) {
    EXPECT_EQ(fromAnsiCodePage("Bj\xF6rk"), "Bj\xF6rk");
    EXPECT_EQ(toAnsiCodePage("\xE6\x97\xA5"), "\xE6\x97\xA5");
    return;
  }
  EXPECT_EQ(fromAnsiCodePage("Bj\xF6rk \x80"), "Bj\xC3\xB6rk \xE2\x82\xAC");
  EXPECT_EQ(toAnsiCodePage("Bj\xC3\xB6rk \xE2\x82\xAC"), "Bj\xF6rk \x80");
  EXPECT_EQ(toAnsiCodePage("\xE6\x97\xA5"), std::nullopt);
  EXPECT_EQ(toAnsiCodePage("\xC4\x80"), std::nullopt);
  EXPECT_EQ(toAnsiCodePage("a\xE6\x97\xA5", false), "a?");
}

TEST(ProgramFileTest, NamesThisTestProgram) {
  const std::string self = runningProgramFile();
  EXPECT_TRUE(isRegularFile(self)) << self;
  EXPECT_NE(self.find("kw_sys_dep_test"), std::string::npos) << self;
  EXPECT_EQ(toFullPath(self), self);
}

// Folders deeper than Windows' classic limit of 260 characters (MAX_PATH):
// a playlist is saved and read there, and the folder listed, as anywhere.
TEST(LongPathTest, FilesBeyondTheClassicLimitAreSavedReadAndListed) {
  trackmend_test::ScratchDir dir;
  std::string deep = dir.path();
  while (deep.size() < 400) deep = joinedPath(deep, "a folder with a long name \xC3\xA4");
  std::filesystem::create_directories(trackmend_test::nativePath(deep));
  const std::string name = joinedPath(deep, "list.m3u");
  ReplacementFile file(name, name);
  file.write("x.mp3\n");
  file.commit();
  std::optional<InputHandle> input = InputHandle::open(name);
  ASSERT_TRUE(input);
  char bytes[16];
  EXPECT_EQ(input->readAt(0, bytes, sizeof bytes), 6);
  EXPECT_EQ(std::string(bytes, 6), "x.mp3\n");
  const std::optional<FolderListing> listing = listFolder(deep);
  ASSERT_TRUE(listing);
  ASSERT_EQ(listing->items.size(), 1u);
  EXPECT_EQ(listing->items[0].name, "list.m3u");
  EXPECT_EQ(fileStatus(name, true, name).type, FileType::kRegular);
}

TEST(HugeBufferTest, LargeBuffersAreWholeHugePagesAndSmallOnesAsAsked) {
  HugeBuffer large(HugeBuffer::kHugePage + 1);
  EXPECT_EQ(large.size(), 2 * HugeBuffer::kHugePage);
  large.data()[0] = 'a';
  large.data()[large.size() - 1] = 'z';
  HugeBuffer moved = std::move(large);
  EXPECT_EQ(moved.data()[moved.size() - 1], 'z');
  HugeBuffer small(100);
  EXPECT_EQ(small.size(), 100u);
  std::vector<int, HugePageAllocator<int>> grown;
  for (int k = 0; k < 2000000; ++k) grown.push_back(k);  // through small and large blocks
  EXPECT_EQ(grown[1999999], 1999999);
}

}  // namespace
}  // namespace kw::sys_dep
