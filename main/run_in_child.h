// Test helper: one run of the main flow in a forked child, so that every run
// starts from the freshly constructed option table.
#ifndef MAIN_RUN_IN_CHILD_H_
#define MAIN_RUN_IN_CHILD_H_

#include <string>
#include <vector>

namespace trackmend_test {

struct RunResult {
  int status = -1;  // the exit status, or -1 when the child did not exit normally
  std::string out;
  std::string err;
};

// Runs runTrackmend with the program's own path as argv[0] and `args` behind
// it, in the working directory `directory`, with `input` as its answers.
RunResult runInChild(const std::vector<std::string>& args, const std::string& input,
                     const std::string& directory);

}  // namespace trackmend_test

#endif  // MAIN_RUN_IN_CHILD_H_
