#include "main/run_in_child.h"

#include <chrono>

#include "Lib/kw/sys_dep/process.h"

namespace trackmend_test {

RunResult runInChild(const std::vector<std::string>& args, const std::string& input,
                     const std::string& directory) {
  const kw::sys_dep::ProcessOutcome outcome =
      kw::sys_dep::runProcess(TRACKMEND_BINARY, args, directory, &input, std::chrono::seconds(120));
  return {outcome.timedOut ? -1 : outcome.status, outcome.out, outcome.err};
}

}  // namespace trackmend_test
