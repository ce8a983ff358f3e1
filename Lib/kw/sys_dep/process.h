// Running another program to the end with its standard streams in strings;
// the end-to-end tests run the tool this way on every platform.
#ifndef KW_SYS_DEP_PROCESS_H_
#define KW_SYS_DEP_PROCESS_H_

#include <chrono>
#include <string>
#include <vector>

namespace kw::sys_dep {

struct ProcessOutcome {
  std::string out;
  std::string err;
  int status = -1;      // the exit status, or -1 when the program did not exit normally
  int signal = 0;       // the signal that ended it (POSIX), 0 when none
  bool timedOut = false;
};

// Runs `program` (a file name) with `args` in the folder `directory`, feeds
// it `input` on standard input (null: it starts without a standard input; on
// Windows, with one that is at its end at once)
// and collects its standard output and error until it ends. It is killed
// once `timeout` has passed. Starts no shell (on Windows, each word is
// quoted for CommandLineToArgvW's rules). Throws std::runtime_error when the
// program cannot be started at all.
ProcessOutcome runProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::string& directory, const std::string* input, std::chrono::seconds timeout);

// `word` quoted so that CommandLineToArgvW gives it back unchanged.
std::string quotedForCommandLine(const std::string& word);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_PROCESS_H_
