#include <unistd.h>

#include "main/scan_run.h"

int main(int argc, char** argv) {
  // The running count of the scan is for eyes only, never for a pipe.
  return trackmend::runScan(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) ? &std::cerr : nullptr);
}
