#include "bench/measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace bench {

namespace {

double processCpuSeconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

Timing timeOf(const std::function<void()>& work) {
  double cpuStart = processCpuSeconds();
  auto start = std::chrono::steady_clock::now();
  work();
  Timing timing;
  timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  timing.cpu = processCpuSeconds() - cpuStart;
  return timing;
}

Timing bestOf(int runs, const std::function<void()>& work) {
  Timing best = timeOf(work);
  for (int i = 1; i < runs; ++i) {
    Timing next = timeOf(work);
    best.wall = std::min(best.wall, next.wall);
    best.cpu = std::min(best.cpu, next.cpu);
  }
  return best;
}

namespace {

void redirect(const std::string& file, int flags, int target) {
  int fd = ::open(file.c_str(), flags, 0644);
  if (fd < 0) _exit(126);
  ::dup2(fd, target);
  ::close(fd);
}

}  // namespace

ChildRun runChild(const std::vector<std::string>& argv, const std::string& stdinFile,
                  const std::string& outFile, const std::string& errFile) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    redirect(stdinFile, O_RDONLY, 0);
    redirect(outFile, O_WRONLY | O_CREAT | O_APPEND, 1);
    redirect(errFile, O_WRONLY | O_CREAT | O_APPEND, 2);
    ::execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4 failed");
  ChildRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (run.exitStatus == 127) throw std::runtime_error("cannot run " + argv[0]);
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.maxRssKiB = usage.ru_maxrss;
  return run;
}

void ResultTable::add(const std::string& what, const std::string& figure,
                      const std::string& target, int met) {
  rows_.push_back({what, figure, target, met});
}

void ResultTable::print(std::ostream& out) const {
  std::size_t w0 = 10, w1 = 8, w2 = 6;
  for (const Row& row : rows_) {
    w0 = std::max(w0, row.what.size());
    w1 = std::max(w1, row.figure.size());
    w2 = std::max(w2, row.target.size());
  }
  auto line = [&](const std::string& a, const std::string& b, const std::string& c,
                  const std::string& d) {
    out << std::left << std::setw(static_cast<int>(w0)) << a << " | " << std::setw(static_cast<int>(w1))
        << b << " | " << std::setw(static_cast<int>(w2)) << c << " | " << d << "\n";
  };
  line("measurement", "measured", "target", "");
  out << std::string(w0 + w1 + w2 + 14, '-') << "\n";
  for (const Row& row : rows_)
    line(row.what, row.figure, row.target, row.met < 0 ? "" : row.met ? "met" : "MISSED");
}

bool ResultTable::allMet() const {
  return std::all_of(rows_.begin(), rows_.end(), [](const Row& row) { return row.met != 0; });
}

std::string fixed(double value, int decimals) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(decimals) << value;
  return text.str();
}

std::string machineName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.compare(0, 10, "model name") == 0) {
      std::size_t colon = line.find(':');
      std::string name = colon == std::string::npos ? line : line.substr(colon + 2);
      return name + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores";
    }
  }
  return "unknown processor";
}

std::string loadAverage() {
  std::ifstream loadavg("/proc/loadavg");
  std::string one;
  loadavg >> one;
  return one.empty() ? "unknown" : one;
}

}  // namespace bench
