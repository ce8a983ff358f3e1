// Helpers shared by the fuzz targets: a stream that swallows everything, a
// private scratch folder on a memory file system, and input splitting.
#ifndef TESTS_FUZZ_FUZZ_SUPPORT_H_
#define TESTS_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace trackmend_fuzz {

// An output stream that discards what it is given (and never fails).
std::ostream& nullStream();

// A folder private to this process, created on first use under
// $TRACKMEND_FUZZ_SCRATCH, else /dev/shm, else the temporary folder, and
// removed at normal exit (a crash leaves it for the caller to remove).
const std::string& scratchFolder();

// Replaces `fileName` with `bytes`; aborts the process when it cannot.
void writeWholeFile(const std::string& fileName, const uint8_t* bytes, size_t size);
// The whole content of `fileName`; aborts the process when it cannot be read.
std::string readWholeFile(const std::string& fileName);

// Splits `data` at every `separator` byte: n separators give n + 1 pieces.
std::vector<std::string> splitAt(const uint8_t* data, size_t size, char separator);

// Prints `what` with the offending values and aborts, so that the fuzzer
// keeps the input as a crash.
[[noreturn]] void fail(const std::string& what);

}  // namespace trackmend_fuzz

#endif  // TESTS_FUZZ_FUZZ_SUPPORT_H_
