#include "Lib/kw/err/terminator.h"

#include <iostream>

#include "Lib/kw/err/kw_assert.h"

namespace kw {

bool Terminator::initialized = false;
std::terminate_handler Terminator::previousHandler = nullptr;

Terminator::Terminator() {
  kw_assert(!initialized);
  initialized = true;
  previousHandler = std::set_terminate(&Terminator::onTerminate);
}

Terminator::~Terminator() { std::set_terminate(previousHandler); }

void Terminator::writeAdvice(std::ostream& os) {
  os << "An uncaught exception occurred.\n\n"
     << "Maybe you forgot to put the following code into your main():\n\n"
     << "try {\n"
     << " // your stuff\n"
     << " return EXIT_SUCCESS;\n"
     << "}\n"
     << "catch (exception& e) { handle_exception(e); }\n"
     << "catch (...) { Error e(\"Unknown exception\"); e.print(cerr); }\n"
     << "return EXIT_FAILURE;\n";
  os.flush();
}

void Terminator::onTerminate() {
  // Inside a terminate handler entered through an escaped exception, that
  // exception is the current one; a plain std::terminate() call has none.
  if (std::current_exception()) writeAdvice(std::cerr);
  if (previousHandler) previousHandler();
  std::abort();
}

}  // namespace kw
