#include "Lib/kw/file/input_file.h"

#include <cerrno>
#include <cstring>

#include "Lib/kw/err/error.h"

namespace kw::file {
namespace {

sys_dep::InputHandle opened(const std::string& name) {
  std::optional<sys_dep::InputHandle> handle = sys_dep::InputHandle::open(name);
  if (!handle) throw err::IOError(name);
  return std::move(*handle);
}

}  // namespace

InputFile::InputFile(const std::string& name, unsigned bufferSize)
    : fileName_(name),
      handle_(opened(name)),
      bufferSize_(bufferSize == 0 ? 1 : bufferSize),
      buffer_(std::make_unique<char[]>(bufferSize_)) {
  fillBuffer();
}

InputFile::InputFile(unsigned bufferSize)
    : fileName_("STDIN"),
      handle_(sys_dep::InputHandle::standardInput()),
      bufferSize_(bufferSize == 0 ? 1 : bufferSize),
      buffer_(std::make_unique<char[]>(bufferSize_)) {
  fillBuffer();
}

InputFile::~InputFile() = default;

// Reads one block, retrying short reads (pipes, terminals, signals) so that
// a short block really means the end of the input.
void InputFile::fillBuffer() {
  readPosition_ = 0;
  bufferFill_ = 0;
  while (bufferFill_ < bufferSize_) {
    const std::int64_t got = handle_.read(buffer_.get() + bufferFill_, bufferSize_ - bufferFill_);
    if (got < 0) throw err::IOError(fileName_);
    if (got == 0) {
      endOfInput_ = true;
      return;
    }
    bufferFill_ += static_cast<unsigned>(got);
  }
}

// Makes unread bytes available; false when the input is exhausted.
bool InputFile::nextBlock() {
  while (readPosition_ == bufferFill_) {
    if (endOfInput_) return false;
    fillBuffer();
  }
  return true;
}

// The line feed of a CR LF belongs to the line already returned.
bool InputFile::nextContent() {
  for (;;) {
    if (!nextBlock()) return false;
    if (!afterCarriageReturn_) return true;
    afterCarriageReturn_ = false;
    if (buffer_[readPosition_] != '\n' || ++readPosition_ < bufferFill_) return true;
  }
}

bool InputFile::nextPiece(std::string_view& piece, bool& ended) {
  if (!nextContent()) return false;
  const char* begin = buffer_.get() + readPosition_;
  const size_t available = bufferFill_ - readPosition_;
  const char* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', available));
  const size_t searchLength = lineFeed ? static_cast<size_t>(lineFeed - begin) : available;
  const char* carriageReturn = static_cast<const char*>(std::memchr(begin, '\r', searchLength));
  const char* end = carriageReturn ? carriageReturn : lineFeed;
  ended = end != nullptr;
  if (!ended) {
    piece = std::string_view(begin, available);
    readPosition_ = bufferFill_;
    return true;
  }
  piece = std::string_view(begin, static_cast<size_t>(end - begin));
  readPosition_ += static_cast<unsigned>(end - begin) + 1;
  afterCarriageReturn_ = (end == carriageReturn);
  ++lineNumber_;
  return true;
}

bool InputFile::readLine(std::string& line) {
  line.clear();
  std::string_view piece;
  bool ended = false;
  while (!ended) {
    if (!nextPiece(piece, ended)) return !line.empty();
    line.append(piece);
  }
  return true;
}

// Most lines lie within one block: those are handed out where they stand.
bool InputFile::readLine(std::string_view& line) {
  bool ended = false;
  if (!nextPiece(line, ended)) {
    line = std::string_view();
    return false;
  }
  if (ended) return true;
  joined_.assign(line);
  std::string_view piece;
  while (!ended && nextPiece(piece, ended)) joined_.append(piece);
  line = joined_;
  return true;
}

bool InputFile::startsWith(std::string_view prefix) const {
  return bufferFill_ - readPosition_ >= prefix.size() &&
         std::memcmp(buffer_.get() + readPosition_, prefix.data(), prefix.size()) == 0;
}

bool InputFile::skipPrefix(std::string_view prefix) {
  if (!startsWith(prefix)) return false;
  readPosition_ += static_cast<unsigned>(prefix.size());
  return true;
}

std::string_view InputFile::unreadBlock() const {
  return std::string_view(buffer_.get() + readPosition_, bufferFill_ - readPosition_);
}

void InputFile::readRest(std::string& out) {
  if (const std::optional<std::uint64_t> size = handle_.regularFileSize(); size && *size > 0) {
    out.reserve(out.size() + static_cast<size_t>(*size));  // one allocation for a whole file
  }
  while (nextContent()) {
    out.append(buffer_.get() + readPosition_, bufferFill_ - readPosition_);
    readPosition_ = bufferFill_;
  }
}

}  // namespace kw::file
