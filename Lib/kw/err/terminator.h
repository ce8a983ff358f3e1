// A terminate handler that explains an escaped exception before the program
// dies, pointing at the try/catch the main function is missing.
#ifndef KW_ERR_TERMINATOR_H_
#define KW_ERR_TERMINATOR_H_

#include <exception>
#include <iosfwd>

namespace kw {

class Terminator {
 public:
  // Installs onTerminate, remembering the handler in force. Only one
  // Terminator may ever be built in a process: a second one (even after the
  // first was destroyed) throws std::runtime_error with the "!initialized"
  // assertion text.
  Terminator();
  // Reinstalls the remembered handler; the process still counts as initialised.
  virtual ~Terminator();
  Terminator(const Terminator&) = delete;
  Terminator& operator=(const Terminator&) = delete;

  // When an exception is in flight, writes the advice text to standard error;
  // then always calls the previous handler.
  static void onTerminate();
  // The advice text itself, for the handler and for tests.
  static void writeAdvice(std::ostream& os);

  static bool initialized;
  static std::terminate_handler previousHandler;
};

}  // namespace kw

#endif  // KW_ERR_TERMINATOR_H_
