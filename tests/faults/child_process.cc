#include "tests/faults/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace trackmend_faults {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void die(const char* what) {
  std::perror(what);
  std::abort();
}

void makePipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) die("pipe2");
}

// In the child: puts `fd` on `target`, or leaves `target` closed.
void placeStream(int fd, int target, bool notOpen) {
  if (notOpen) {
    close(target);
    return;
  }
  if (dup2(fd, target) < 0) _exit(126);
}

[[noreturn]] void execChild(const ChildOptions& options, int in, int out, int err) {
  placeStream(in, 0, options.stdinNotOpen);
  placeStream(out, 1, options.stdoutNotOpen);
  placeStream(err, 2, options.stderrNotOpen);
  if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
  for (const std::string& setting : options.environment) putenv(const_cast<char*>(setting.c_str()));
  signal(SIGPIPE, options.ignoreSigpipe ? SIG_IGN : SIG_DFL);
  if (options.fileSizeLimit != RLIM_INFINITY) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  }
  const std::string program = toolPath();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : options.args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Drives the three pipes of a running child until it has closed its ends
// (or has been killed), applying the kill and the early close of stdout.
class Supervisor {
 public:
  Supervisor(const ChildOptions& options, pid_t pid, int in, int out, int err, ChildResult& result)
      : options_(options), pid_(pid), in_(in), out_(out), err_(err), result_(result) {}

  void run() {
    start_ = Clock::now();
    if (options_.killDelaySeconds >= 0 && options_.killAfterOutput.empty()) armKill();
    if (options_.input.empty()) closeFd(in_);
    while (out_ >= 0 || err_ >= 0 || in_ >= 0) {
      if (!pollOnce()) break;
    }
  }

 private:
  void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }

  void armKill() {
    killAt_ = Clock::now() +
              std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.killDelaySeconds));
    killArmed_ = true;
  }

  int waitMilliseconds() const {
    double until = options_.timeoutSeconds - secondsSince(start_);
    if (killArmed_ && !killed_) until = std::min(until, std::chrono::duration<double>(killAt_ - Clock::now()).count());
    return until <= 0 ? 0 : static_cast<int>(until * 1000) + 1;
  }

  // Returns false once the child has been given up on.
  bool pollOnce() {
    pollfd fds[3] = {{in_, POLLOUT, 0}, {out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int ready = poll(fds, 3, waitMilliseconds());
    if (ready < 0 && errno != EINTR) die("poll");
    if (killArmed_ && !killed_ && Clock::now() >= killAt_) {
      kill(pid_, SIGKILL);
      killed_ = true;
    }
    if (secondsSince(start_) > options_.timeoutSeconds) {
      kill(pid_, SIGKILL);
      result_.timedOut = true;
      closeFd(in_), closeFd(out_), closeFd(err_);
      return false;
    }
    if (ready <= 0) return true;
    if (fds[0].revents) writeInput();
    if (fds[1].revents) readOutput();
    if (fds[2].revents) readInto(err_, result_.err);
    return true;
  }

  void writeInput() {
    const ssize_t n = write(in_, options_.input.data() + written_, options_.input.size() - written_);
    if (n > 0) written_ += static_cast<size_t>(n);
    if ((n < 0 && errno != EAGAIN) || written_ == options_.input.size()) closeFd(in_);
  }

  bool readInto(int& fd, std::string& text) {
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) {
      closeFd(fd);
      return false;
    }
    text.append(buffer, static_cast<size_t>(n));
    return true;
  }

  void readOutput() {
    if (!readInto(out_, result_.out)) return;
    if (options_.killDelaySeconds >= 0 && !killArmed_ && !options_.killAfterOutput.empty() &&
        result_.out.find(options_.killAfterOutput) != std::string::npos)
      armKill();
    if (options_.stdoutLinesWanted > 0) {
      size_t lines = 0, end = 0;
      while (lines < static_cast<size_t>(options_.stdoutLinesWanted) &&
             (end = result_.out.find('\n', end)) != std::string::npos)
        ++lines, ++end;
      if (lines == static_cast<size_t>(options_.stdoutLinesWanted)) {
        result_.out.resize(end);
        closeFd(out_);
      }
    }
  }

  const ChildOptions& options_;
  pid_t pid_;
  int in_, out_, err_;
  ChildResult& result_;
  Clock::time_point start_;
  Clock::time_point killAt_;
  bool killArmed_ = false;
  bool killed_ = false;
  size_t written_ = 0;
};

}  // namespace

std::string toolPath() {
  if (const char* chosen = std::getenv("TRACKMEND_BINARY")) return chosen;
  return TRACKMEND_BINARY;
}

ChildResult runTool(const ChildOptions& options) {
  int in[2], out[2], err[2];
  makePipe(in), makePipe(out), makePipe(err);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) die("fork");
  if (pid == 0) execChild(options, in[0], out[1], err[1]);
  close(in[0]), close(out[1]), close(err[1]);
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  // The parent must survive writing to a child that is gone.
  signal(SIGPIPE, SIG_IGN);
  ChildResult result;
  Supervisor(options, pid, in[1], out[0], err[0], result).run();
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) die("wait4");
  }
  result.seconds = secondsSince(start);
  result.maxRssKilobytes = usage.ru_maxrss;
  if (WIFEXITED(status)) {
    result.exited = true;
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

std::map<std::string, std::string> snapshot(const std::string& dir) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  std::vector<fs::path> folders = {dir};
  while (!folders.empty()) {
    const fs::path folder = folders.back();
    folders.pop_back();
    for (const auto& entry : fs::directory_iterator(folder)) {
      const fs::path& path = entry.path();
      const std::string name = path.lexically_relative(dir).string();
      struct stat info;
      if (lstat(path.c_str(), &info) != 0) continue;
      if (S_ISLNK(info.st_mode)) {
        files[name] = "-> " + fs::read_symlink(path).string();
      } else if (S_ISDIR(info.st_mode)) {
        folders.push_back(path);
      } else if (S_ISREG(info.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        files[name] = content.str();
      }
    }
  }
  return files;
}

std::string describe(const ChildResult& result) {
  std::ostringstream text;
  if (result.timedOut) text << "timed out; ";
  if (result.exited)
    text << "exit status " << result.status;
  else
    text << "killed by signal " << result.signal;
  auto tail = [](const std::string& s) { return s.size() > 2000 ? "..." + s.substr(s.size() - 2000) : s; };
  text << "\n--- stdout:\n" << tail(result.out) << "\n--- stderr:\n" << tail(result.err);
  return text.str();
}

}  // namespace trackmend_faults
