#include "Lib/kw/file/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Lib/kw/err/error.h"

namespace kw::file {

InputFile::InputFile(const std::string& name, unsigned bufferSize)
    : fileName_(name),
      bufferSize_(bufferSize == 0 ? 1 : bufferSize),
      buffer_(std::make_unique<char[]>(bufferSize_)) {
  fileHandle_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fileHandle_ < 0) throw err::IOError(name);
  ownsHandle_ = true;
  try {
    fillBuffer();
  } catch (...) {
    ::close(fileHandle_);
    throw;
  }
}

InputFile::InputFile(unsigned bufferSize)
    : fileName_("STDIN"),
      fileHandle_(STDIN_FILENO),
      bufferSize_(bufferSize == 0 ? 1 : bufferSize),
      buffer_(std::make_unique<char[]>(bufferSize_)) {
  fillBuffer();
}

InputFile::~InputFile() {
  if (ownsHandle_) ::close(fileHandle_);
}

// Reads one block, retrying short reads (pipes, terminals, signals) so that
// a short block really means the end of the input.
void InputFile::fillBuffer() {
  readPosition_ = 0;
  bufferFill_ = 0;
  while (bufferFill_ < bufferSize_) {
    const ssize_t got = ::read(fileHandle_, buffer_.get() + bufferFill_, bufferSize_ - bufferFill_);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw err::IOError(fileName_);
    }
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
  struct stat info;
  if (fstat(fileHandle_, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    out.reserve(out.size() + static_cast<size_t>(info.st_size));  // one allocation for a whole file
  }
  while (nextContent()) {
    out.append(buffer_.get() + readPosition_, bufferFill_ - readPosition_);
    readPosition_ = bufferFill_;
  }
}

}  // namespace kw::file
