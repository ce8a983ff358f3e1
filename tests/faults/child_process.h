// Runs the real trackmend binary in a child process under injected faults:
// a file-size limit, closed or half-read standard streams, a kill at a
// chosen moment. Used by the fault-injection and huge-input tests.
#ifndef TESTS_FAULTS_CHILD_PROCESS_H_
#define TESTS_FAULTS_CHILD_PROCESS_H_

#include <sys/resource.h>

#include <map>
#include <string>
#include <vector>

namespace trackmend_faults {

struct ChildOptions {
  std::vector<std::string> args;  // the words after the program name
  std::string workDir;            // the child's current directory
  std::string input;              // written to standard input, which is then closed
  // Standard streams that are not open at all when the program starts.
  bool stdinNotOpen = false;
  bool stdoutNotOpen = false;
  bool stderrNotOpen = false;
  // RLIMIT_FSIZE of the child; SIGXFSZ is ignored, so writes fail with EFBIG.
  rlim_t fileSizeLimit = RLIM_INFINITY;
  bool ignoreSigpipe = false;
  // > 0: stop reading standard output after this many lines and close the
  // pipe, as `| head -n` does.
  int stdoutLinesWanted = 0;
  // >= 0: SIGKILL the child this many seconds after `killAfterOutput`
  // appeared on its standard output (at once when that is empty).
  double killDelaySeconds = -1;
  std::string killAfterOutput;
  // "NAME=value" settings added to the child's environment.
  std::vector<std::string> environment;
  // The child is killed after this long in any case (a hang is a failure).
  double timeoutSeconds = 120;
};

struct ChildResult {
  bool exited = false;  // ended by itself with `status`
  int status = -1;
  int signal = 0;       // the signal that ended it, 0 when it exited
  bool timedOut = false;
  std::string out;
  std::string err;
  long maxRssKilobytes = 0;
  double seconds = 0;
};

// The trackmend binary under test.
std::string toolPath();

// Runs the tool with `options`; aborts the test program when the child
// cannot be started.
ChildResult runTool(const ChildOptions& options);

// The regular files below `dir` (relative names, recursively) with their
// content; symbolic links are listed as "-> target".
std::map<std::string, std::string> snapshot(const std::string& dir);

// Readable form of a result for failure messages.
std::string describe(const ChildResult& result);

}  // namespace trackmend_faults

#endif  // TESTS_FAULTS_CHILD_PROCESS_H_
