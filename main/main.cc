#include <iostream>

#include "Lib/kw/sys_dep/arguments.h"
#include "Lib/kw/sys_dep/console.h"
#include "main/run.h"

int main(int argc, char** argv) {
  kw::sys_dep::prepareStandardStreams();
  kw::sys_dep::Utf8Arguments arguments(argc, argv);
  // The running count of a folder scan is for eyes only, never for a pipe.
  const bool countShown = kw::sys_dep::isTerminal(kw::sys_dep::StandardStream::kError);
  return trackmend::runTrackmend(arguments.count(), arguments.values(), std::cout, std::cerr, std::cin,
                                 countShown ? &std::cerr : nullptr);
}
