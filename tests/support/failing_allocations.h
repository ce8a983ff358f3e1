// Allocation failures on request, to prove that an exception leaves threaded
// code by a clean path: linked into a test program, this replaces the global
// operator new and delete (plain and array forms), so that any allocation on
// any thread can be made to throw std::bad_alloc.
#ifndef TESTS_SUPPORT_FAILING_ALLOCATIONS_H_
#define TESTS_SUPPORT_FAILING_ALLOCATIONS_H_

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace trackmend_test {

// Runs `work` again and again: the first run with its first allocation
// failing, the next with its second, and so on, until a run is done before
// the allocation meant to fail. After each run `check` learns whether it
// ended in std::bad_alloc (a run may also succeed in spite of the failure,
// when the code it hit has a way around it). Any other exception escapes.
// Returns the number of runs.
int failEachAllocationInTurn(const std::function<void()>& work,
                             const std::function<void(bool threw)>& check);

// Ends the process with a message unless destroyed within `seconds`: a hang
// fails its test instead of stalling the test run.
class Deadline {
 public:
  explicit Deadline(int seconds);
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread watch_;
};

}  // namespace trackmend_test

#endif  // TESTS_SUPPORT_FAILING_ALLOCATIONS_H_
