#include <iostream>

#include "Lib/kw/err/shown_text.h"
#include "Lib/kw/sys_dep/arguments.h"
#include "Lib/kw/sys_dep/console.h"
#include "main/scan_run.h"

int main(int argc, char** argv) {
  using kw::sys_dep::isTerminal;
  using kw::sys_dep::StandardStream;
  kw::sys_dep::prepareStandardStreams();
  kw::sys_dep::Utf8Arguments arguments(argc, argv);
  kw::err::setShownOnTerminal(std::cout, isTerminal(StandardStream::kOutput));
  kw::err::setShownOnTerminal(std::cerr, isTerminal(StandardStream::kError));
  // The running count of the scan is for eyes only, never for a pipe.
  return trackmend::runScan(arguments.count(), arguments.values(), std::cout, std::cerr,
                            isTerminal(StandardStream::kError) ? &std::cerr : nullptr);
}
