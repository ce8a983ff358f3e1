#include "Lib/kw/sys_dep/parallel.h"

#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace kw::sys_dep {
namespace {

// Catches what `work(index)` throws into `error`, so nothing leaves a thread
// (which would terminate the process) and the caller can rethrow it.
void runCaught(const std::function<void(unsigned)>& work, unsigned index, std::exception_ptr& error) {
  try {
    work(index);
  } catch (...) {
    error = std::current_exception();
  }
}

}  // namespace

void runInParallel(unsigned threads, const std::function<void(unsigned)>& work) {
  if (threads == 0) threads = 1;
  std::vector<std::exception_ptr> errors(threads);
  {
    // Declared after `errors`, so every started thread is joined before the
    // slots it writes go away, whatever leaves this block.
    std::vector<std::jthread> started;
    try {
      started.reserve(threads - 1);
      for (unsigned t = 1; t < threads; ++t)
        started.emplace_back(runCaught, std::cref(work), t, std::ref(errors[t]));
    } catch (const std::system_error&) {
      // Fewer threads only cost time; the started ones share the work.
    } catch (...) {
      errors[0] = std::current_exception();
    }
    if (!errors[0]) runCaught(work, 0, errors[0]);
  }
  for (const std::exception_ptr& error : errors)
    if (error) std::rethrow_exception(error);
}

unsigned hardwareThreads() {
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : count;
}

}  // namespace kw::sys_dep
