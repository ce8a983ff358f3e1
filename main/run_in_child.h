// Test helper: one run of the trackmend program in a process of its own, so
// that every run starts from the freshly constructed option table.
#ifndef MAIN_RUN_IN_CHILD_H_
#define MAIN_RUN_IN_CHILD_H_

#include <string>
#include <vector>

namespace trackmend_test {

struct RunResult {
  int status = -1;  // the exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs the built trackmend program (TRACKMEND_BINARY) with `args`, in the
// working directory `directory`, with `input` as its answers.
RunResult runInChild(const std::vector<std::string>& args, const std::string& input,
                     const std::string& directory);

}  // namespace trackmend_test

#endif  // MAIN_RUN_IN_CHILD_H_
