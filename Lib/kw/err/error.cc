#include "Lib/kw/err/error.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "Lib/kw/err/shown_text.h"

namespace kw::err {
namespace {

// Function-local so that errors raised while static objects are being built
// (the option table formats texts then) find it already initialised, and
// never destroyed so that errors raised while they are torn down find it too.
std::string& defaultLocationStorage() {
  static std::string* const location = new std::string("<unknown>");
  return *location;
}

struct FormatBuffer {
  std::unique_ptr<char[]> data;
  size_t size = 0;
};

FormatBuffer& formatBuffer() {
  static FormatBuffer* const buffer = new FormatBuffer;  // lives to the very end, like the location
  return *buffer;
}

// "<system text for errno>[ for <operation>] ('<fileName>')". Built by
// appending: g++ 12 at -O3 raises a false -Wrestrict alarm on the chain of
// operator+ this would otherwise be.
std::string ioErrorText(const std::string& fileName, const std::string* operation) {
  std::string text = std::strerror(errno);
  if (operation) text.append(" for ").append(*operation);
  text.append(" ('").append(fileName).append("')");
  return text;
}

}  // namespace

Error::Error(bool withPrefix, const std::string& text)
    : std::runtime_error(text), location(defaultLocation()), withPrefix(withPrefix) {}
Error::Error(bool withPrefix, const char* text)
    : std::runtime_error(text), location(defaultLocation()), withPrefix(withPrefix) {}
Error::Error(const std::string& text) : Error(true, text) {}
Error::Error(const char* text) : Error(true, text) {}
Error::~Error() = default;

const char* Error::what() const noexcept { return std::runtime_error::what(); }

// A message names files and quotes their content; on a terminal their
// control characters are shown escaped, the layout's own lines kept.
void Error::print(std::ostream& os) const {
  const std::string message = composeMessage();
  os << '\n' << (shownOnTerminal(os) ? escapedControls(message, true) : message) << '\n';
  os.flush();
}

std::string Error::composeMessage() const {
  if (withPrefix) return formatString("Error in %s: %s", location.c_str(), what());
  return formatString("%s: %s", location.c_str(), what());
}

std::string Error::setDefaultLocation(const std::string& location) {
  std::string previous = defaultLocationStorage();
  defaultLocationStorage() = location;
  return previous;
}

const std::string& Error::defaultLocation() { return defaultLocationStorage(); }

IOError::IOError(const std::string& fileName)
    : Error(true, ioErrorText(fileName, nullptr)) {}

IOError::IOError(const std::string& fileName, const std::string& operation)
    : Error(true, ioErrorText(fileName, &operation)) {}

InternalError::InternalError(const std::string& text) : Error(true, text) {}

std::string InternalError::composeMessage() const {
  const std::string reportTo = contactAddress(defaultLocation() + ".BugReport");
  return formatString("InternalError in %s: %s\n[please report to %s]", location.c_str(), what(),
                      reportTo.c_str());
}

std::string formatString(const char* format, ...) {
  FormatBuffer& buffer = formatBuffer();
  if (!buffer.data) {
    buffer.size = 256;
    buffer.data = std::make_unique<char[]>(buffer.size);
  }
  for (;;) {
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer.data.get(), buffer.size, format, args);
    va_end(args);
    if (length < 0) return std::string();  // an encoding error leaves nothing usable
    if (static_cast<size_t>(length) < buffer.size) return std::string(buffer.data.get(), length);
    const size_t grown = buffer.size + buffer.size / 2;
    buffer.data.reset();
    buffer.data = std::make_unique<char[]>(grown);
    buffer.size = grown;
  }
}

size_t formatBufferSize() { return formatBuffer().size; }

std::string contactAddress(const std::string& localPart) { return localPart + "@example.org"; }

namespace {

const char* standardTypeName(const std::exception& e) {
  if (dynamic_cast<const std::logic_error*>(&e)) {
    if (dynamic_cast<const std::domain_error*>(&e)) return "domain_error";
    if (dynamic_cast<const std::invalid_argument*>(&e)) return "invalid_argument";
    if (dynamic_cast<const std::length_error*>(&e)) return "length_error";
    return "logic_error";
  }
  if (dynamic_cast<const std::runtime_error*>(&e)) {
    if (dynamic_cast<const std::range_error*>(&e)) return "range_error";
    if (dynamic_cast<const std::overflow_error*>(&e)) return "overflow_error";
    if (dynamic_cast<const std::underflow_error*>(&e)) return "underflow_error";
    return "runtime_error";
  }
  return "exception";
}

}  // namespace

void handle_exception(const std::exception& e) { handle_exception(e, std::cerr); }

void handle_exception(const std::exception& e, std::ostream& os) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) {
    error->print(os);
    return;
  }
  try {
    InternalError(std::string("[") + standardTypeName(e) + ": " + e.what() + "]").print(os);
  } catch (const Error&) {
    throw;
  } catch (...) {
    InternalError(formatString("unknown exception: %s", e.what())).print(os);
  }
}

int runMainFlow(const std::function<void()>& body, std::ostream& out, std::ostream& err) {
  try {
    body();
    out.flush();
    return 0;
  } catch (const Error& e) {
    out.flush();
    e.print(err);
  } catch (...) {
    out.flush();
    Error("Unknown exception").print(err);
  }
  return 1;
}

}  // namespace kw::err
