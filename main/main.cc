#include <unistd.h>

#include "main/run.h"

int main(int argc, char** argv) {
  // The running count of a folder scan is for eyes only, never for a pipe.
  return trackmend::runTrackmend(argc, argv, std::cout, std::cerr, std::cin, ::isatty(STDERR_FILENO) ? &std::cerr : nullptr);
}
