#include "Lib/kw/sys_dep/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

namespace kw::sys_dep {
namespace {

TEST(ParallelTest, EveryItemIsDoneOnceWhateverTheThreadCount) {
  for (unsigned threads : {0u, 1u, 2u, 7u}) {
    std::vector<std::atomic<int>> done(1000);
    std::atomic<std::size_t> next{0};
    runInParallel(threads, [&](unsigned) {
      for (std::size_t k; (k = next.fetch_add(1)) < done.size();) ++done[k];
    });
    for (const auto& d : done) ASSERT_EQ(d.load(), 1) << threads << " threads";
  }
}

// An exception of any kind, on any thread, reaches the caller after every
// thread is joined (a hang or std::terminate would end the test run).
TEST(ParallelTest, TheLowestThreadsExceptionReachesTheCallerAfterAllAreJoined) {
  std::atomic<int> finished{0};
  try {
    runInParallel(4, [&](unsigned t) {
      ++finished;
      if (t == 3) throw std::bad_alloc();
      if (t == 2) throw std::runtime_error("two");
    });
    FAIL() << "nothing thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "two");
  }
  EXPECT_EQ(finished.load(), 4);
  EXPECT_THROW(runInParallel(1, [](unsigned) { throw std::bad_alloc(); }), std::bad_alloc);
}

}  // namespace
}  // namespace kw::sys_dep
