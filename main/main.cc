#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/terminal.h"
#include "main/run.h"

int main(int argc, char** argv) {
  using kw::sys_dep::isTerminal;
  using kw::sys_dep::StandardStream;
  kw::err::setShownOnTerminal(std::cout, isTerminal(StandardStream::kOutput));
  kw::err::setShownOnTerminal(std::cerr, isTerminal(StandardStream::kError));
  // The running count of a folder scan is for eyes only, never for a pipe.
  return trackmend::runTrackmend(argc, argv, std::cout, std::cerr, std::cin,
                                 isTerminal(StandardStream::kError) ? &std::cerr : nullptr);
}
