// A buffered line reader over a file or standard input.
#ifndef KW_FILE_INPUT_FILE_H_
#define KW_FILE_INPUT_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Lib/kw/sys_dep/input_handle.h"

namespace kw::file {

// Reads a file block by block and hands it out line by line, its bytes as
// they are on disk on every platform. A line ends at
// a line feed, at a carriage return + line feed, or at a lone carriage
// return; the line end is not part of the line. Lines may be of any length
// and may hold NUL bytes. A read error is never taken for the end of input.
class InputFile {
 public:
  // Opens `name` and reads the first block of up to `bufferSize` bytes.
  // Throws kw::err::IOError(name) when the file cannot be opened or read
  // (a directory gives "Is a directory").
  InputFile(const std::string& name, unsigned bufferSize);
  // The same over standard input, named "STDIN"; the descriptor stays open.
  explicit InputFile(unsigned bufferSize);
  virtual ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Replaces `line` with the next line (its capacity is reused) and returns
  // true; returns false, with `line` empty, once the input is exhausted. A
  // last line without a line end is returned too. Throws
  // kw::err::IOError(fileName()) when reading fails.
  bool readLine(std::string& line);
  // The same without a copy: `line` views the next line where it stands in
  // the buffer (or, for one that spans blocks, in a string of the reader's
  // own), valid until the next read of any kind.
  bool readLine(std::string_view& line);

  // True when the unread input starts with `prefix`. Meant for byte-order
  // marks before the first line: only the current block is looked at.
  bool startsWith(std::string_view prefix) const;
  // Consumes `prefix` when startsWith(prefix); returns whether it did.
  bool skipPrefix(std::string_view prefix);
  // The unread bytes of the current block (at most the block size), for
  // telling the kind of a file by its first bytes; valid until the next read.
  std::string_view unreadBlock() const;
  // Appends every unread byte to `out` and leaves the input exhausted; for
  // files that are taken as a whole rather than line by line. Line ends are
  // not counted. Throws kw::err::IOError(fileName()) when reading fails.
  void readRest(std::string& out);

  const std::string& fileName() const { return fileName_; }
  // The number of line ends consumed so far (64 bits: a file of more than
  // 2^31 line ends is only 2 GiB).
  std::uint64_t lineNumber() const { return lineNumber_; }

 private:
  void fillBuffer();
  bool nextBlock();
  // Like nextBlock, past a line feed that ends a CR LF already taken.
  bool nextContent();
  // The bytes of the current block up to the next line end (consumed with
  // it; `ended` true) or, without one, all of them (`ended` false); false
  // once the input is exhausted.
  bool nextPiece(std::string_view& piece, bool& ended);

  std::string fileName_;
  std::uint64_t lineNumber_ = 0;
  sys_dep::InputHandle handle_;
  unsigned bufferSize_;
  unsigned readPosition_ = 0;
  unsigned bufferFill_ = 0;
  std::unique_ptr<char[]> buffer_;
  bool endOfInput_ = false;
  // The last line ended in a carriage return: a line feed right after it
  // belongs to that line end.
  bool afterCarriageReturn_ = false;
  std::string joined_;  // a line that spans blocks, for the view form of readLine
};

}  // namespace kw::file

#endif  // KW_FILE_INPUT_FILE_H_
