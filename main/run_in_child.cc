#include "main/run_in_child.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "main/run.h"
#include "tests/support/test_support.h"

namespace trackmend_test {

RunResult runInChild(const std::vector<std::string>& args, const std::string& input,
                     const std::string& directory) {
  ScratchDir results;
  const std::string outFile = results.file("out");
  const std::string errFile = results.file("err");
  const pid_t child = fork();
  if (child == 0) {
    int status = 99;
    if (chdir(directory.c_str()) == 0) {
      std::vector<std::string> words{std::filesystem::read_symlink("/proc/self/exe").string()};
      words.insert(words.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      std::ostringstream out, err;
      std::istringstream in(input);
      status = trackmend::runTrackmend(static_cast<int>(words.size()), argv.data(), out, err, in);
      std::ofstream(outFile, std::ios::binary) << out.str();
      std::ofstream(errFile, std::ios::binary) << err.str();
    }
    _exit(status);
  }
  RunResult result;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = readFile(outFile);
  result.err = readFile(errFile);
  return result;
}

}  // namespace trackmend_test
