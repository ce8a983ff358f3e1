// The small parts of the platform layer, on whichever platform runs them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib/kw/sys_dep/environment.h"
#include "Lib/kw/sys_dep/huge_buffer.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/program_file.h"

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

TEST(ProgramFileTest, NamesThisTestProgram) {
  const std::string self = runningProgramFile();
  EXPECT_TRUE(isRegularFile(self)) << self;
  EXPECT_NE(self.find("kw_sys_dep_test"), std::string::npos) << self;
  EXPECT_EQ(toFullPath(self), self);
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
