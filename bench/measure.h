// Timing, child processes and the result table of the benchmark program.
#ifndef BENCH_MEASURE_H_
#define BENCH_MEASURE_H_

#include <chrono>
#include <functional>
#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

namespace bench {

// Seconds taken by some work: wall clock, and CPU time of the whole process
// (user + system, every thread). On a machine shared with other jobs the CPU
// time of single-threaded work is the steadier figure; work spread over
// threads can only be judged by the wall clock.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

Timing timeOf(const std::function<void()>& work);

// The fastest of `runs` calls (at least one), wall and CPU each on its own:
// the figures least disturbed by whatever else the machine is doing.
Timing bestOf(int runs, const std::function<void()>& work);

// A stream buffer that swallows everything, for progress output.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// One finished child process.
struct ChildRun {
  int exitStatus = -1;    // -1 when it did not exit normally
  double seconds = 0;     // wall clock
  double cpuSeconds = 0;  // user + system
  long maxRssKiB = 0;     // peak resident set of this child alone
};

// Runs `argv` (argv[0] is the program path) with standard input from
// `stdinFile` and standard output and error appended to `outFile` and
// `errFile`. Throws std::runtime_error when the program cannot be started.
ChildRun runChild(const std::vector<std::string>& argv, const std::string& stdinFile,
                  const std::string& outFile, const std::string& errFile);

// The rows of the summary: one measured figure each, with its target.
class ResultTable {
 public:
  // `met` < 0: no target for this row.
  void add(const std::string& what, const std::string& figure, const std::string& target, int met);
  void print(std::ostream& out) const;
  bool allMet() const;

 private:
  struct Row {
    std::string what, figure, target;
    int met;
  };
  std::vector<Row> rows_;
};

// "%.*f" of `value`.
std::string fixed(double value, int decimals);

// The machine's processor name and the 1-minute load average when known.
std::string machineName();
std::string loadAverage();

}  // namespace bench

#endif  // BENCH_MEASURE_H_
