#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "Lib/kw/sys_dep/process.h"

namespace kw::sys_dep {
namespace {

void setNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

ProcessOutcome runProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::string& directory, const std::string* input, std::chrono::seconds timeout) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) || pipe(outPipe) || pipe(errPipe)) throw std::runtime_error("pipe failed");
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    signal(SIGPIPE, SIG_DFL);
    if (chdir(directory.c_str()) != 0) _exit(126);
    if (input) {
      dup2(inPipe[0], 0);
    } else {
      close(0);
    }
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  int writeFd = inPipe[1];
  if (!input || input->empty()) {
    close(writeFd);
    writeFd = -1;
  } else {
    setNonBlocking(writeFd);
  }
  ProcessOutcome outcome;
  std::size_t written = 0;
  int openReaders = 2;
  int readFds[2] = {outPipe[0], errPipe[0]};
  std::string* sinks[2] = {&outcome.out, &outcome.err};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (openReaders > 0) {
    std::vector<pollfd> fds;
    for (int fd : readFds)
      if (fd >= 0) fds.push_back({fd, POLLIN, 0});
    if (writeFd >= 0) fds.push_back({writeFd, POLLOUT, 0});
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(child, SIGKILL);
      outcome.timedOut = true;
      break;
    }
    if (poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    for (const auto& p : fds) {
      if (!p.revents) continue;
      if (p.fd == writeFd) {
        const ssize_t n = write(writeFd, input->data() + written, input->size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
        if (n < 0 && errno != EAGAIN) written = input->size();  // the program closed its input
        if (written == input->size()) {
          close(writeFd);
          writeFd = -1;
        }
        continue;
      }
      const int slot = p.fd == readFds[0] ? 0 : 1;
      char buffer[65536];
      const ssize_t n = read(p.fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[slot]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(p.fd);
        readFds[slot] = -1;
        --openReaders;
      }
    }
  }
  for (int fd : readFds)
    if (fd >= 0) close(fd);
  if (writeFd >= 0) close(writeFd);
  int raw = 0;
  waitpid(child, &raw, 0);
  if (WIFEXITED(raw)) outcome.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) outcome.signal = WTERMSIG(raw);
  return outcome;
}

}  // namespace kw::sys_dep
