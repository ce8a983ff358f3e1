// The program process_test starts: copies standard input to standard output,
// writes each argument and a line feed to standard error, exits with 3. It
// takes its streams and words through the layer, as the tool does.
#include <iostream>

#include "Lib/kw/sys_dep/arguments.h"
#include "Lib/kw/sys_dep/console.h"

int main(int argc, char** argv) {
  kw::sys_dep::prepareStandardStreams();
  kw::sys_dep::Utf8Arguments arguments(argc, argv);
  std::cout << std::cin.rdbuf();
  for (int k = 1; k < arguments.count(); ++k) std::cerr << arguments.values()[k] << '\n';
  return 3;
}
