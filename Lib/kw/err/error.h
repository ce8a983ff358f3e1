// The exception family every failure of the tool is reported with, and the
// printf-style formatting that composes their texts.
#ifndef KW_ERR_ERROR_H_
#define KW_ERR_ERROR_H_

#include <cstddef>
#include <exception>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace kw::err {

// A failure with a fixed report layout. `location` is copied from the
// process-wide default location when the error is built, so an error keeps
// the location it was raised for even if the default changes later.
// Thrown by value, caught by reference.
class Error : public std::runtime_error {
 public:
  Error(bool withPrefix, const std::string& text);
  Error(bool withPrefix, const char* text);
  explicit Error(const std::string& text);  // withPrefix = true
  explicit Error(const char* text);         // withPrefix = true
  ~Error() override;

  const char* what() const noexcept override;

  // Writes "\n", composeMessage() and "\n" to `os`, then flushes it.
  virtual void print(std::ostream& os) const;

  // "Error in <location>: <text>" with prefix, "<location>: <text>" without.
  virtual std::string composeMessage() const;

  // Makes `location` the default for every error built afterwards and
  // returns the previous default ("<unknown>" before the first call).
  static std::string setDefaultLocation(const std::string& location);
  static const std::string& defaultLocation();

  std::string location;
  bool withPrefix;
};

// A failure of the environment: the system's text for errno, then the file.
// Both constructors read errno, so build the error right after the failing
// call (or restore errno first).
class IOError : public Error {
 public:
  // "<strerror(errno)> ('<fileName>')"
  explicit IOError(const std::string& fileName);
  // "<strerror(errno)> for <operation> ('<fileName>')"
  IOError(const std::string& fileName, const std::string& operation);
};

// A violated internal condition; its report asks the user to send a bug
// report to the contact address of the current default location.
class InternalError : public Error {
 public:
  explicit InternalError(const std::string& text);
  std::string composeMessage() const override;
};

// printf-style formatting into a std::string of any length. Shares one
// growing buffer between calls (not reentrant). Throws std::bad_alloc when
// the buffer cannot be grown.
std::string formatString(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// The size of the buffer formatString shares between calls: 0 before the
// first call, 256 after it, grown by half its size whenever a text did not
// fit (never shrinks).
size_t formatBufferSize();

// The maintainer's mail address for `localPart`: localPart@<fixed domain>.
std::string contactAddress(const std::string& localPart);

// Reports any exception on `os`: an Error with its own print, any other
// standard exception as an InternalError naming its standard type.
void handle_exception(const std::exception& e);
void handle_exception(const std::exception& e, std::ostream& os);

// Runs `body` as a program's main flow and gives its exit status: 0 when it
// returns; 1 when it throws, after printing the error on `err` (an Error
// with print(), anything else as the Error "Unknown exception"). `out` is
// flushed before the report, so progress stands before it.
int runMainFlow(const std::function<void()>& body, std::ostream& out, std::ostream& err);

}  // namespace kw::err

#endif  // KW_ERR_ERROR_H_
