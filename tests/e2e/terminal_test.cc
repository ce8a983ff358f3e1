// The real trackmend binary with standard error on a pseudo-terminal: what a
// person sees there differs from what a pipe or a file gets. POSIX only.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using trackmend_test::readFile;
using trackmend_test::writeFile;

std::string visible(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "<%02X>", c);
      out += escaped;
    }
  }
  return out;
}

// Runs `args` in `workDir` with standard error on a new terminal and
// standard output into a file (no terminal): returns what each received.
std::pair<std::string, std::string> runOnTerminal(const std::vector<std::string>& args, const std::string& workDir) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) throw std::runtime_error("no terminal");
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  const std::string outFile = workDir + "/stdout.txt";
  std::vector<std::string> words{TRACKMEND_BINARY};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = open("/dev/null", O_RDONLY);
    if (chdir(workDir.c_str()) != 0 || out < 0 || in < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(terminal, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  // The output is far below the terminal's buffer: it waits there until read.
  waitpid(child, nullptr, 0);
  close(terminal);
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
  close(master);
  return {readFile(outFile), shown};
}

// A hostile name cannot retitle or clear the user's terminal: control
// characters echoed there are shown escaped, while a stream that is no
// terminal gets the bytes as they are.
TEST(EndToEndTerminal, ControlCharactersEscapedOnATerminalOnly) {
  trackmend_test::ScratchDir work;
  const std::string hostile = "\x1B]0;owned\a\x1B[2J";
  writeFile(work.file("lib.m3u"), "/music/a.mp3\n");
  writeFile(work.file("p" + hostile + ".m3u"), "/old/" + hostile + ".mp3\n");
  const auto [out, shown] = runOnTerminal({"-s0", "lib.m3u", "p" + hostile + ".m3u"}, work.path());
  EXPECT_NE(out.find("Reading playlist 'p" + hostile + ".m3u'\n"), std::string::npos) << visible(out);
  EXPECT_NE(shown.find("Song: '/old/\\x1B]0;owned\\x07\\x1B[2J.mp3'"), std::string::npos) << visible(shown);
  EXPECT_EQ(shown.find('\x1B'), std::string::npos) << visible(shown);
}

}  // namespace
