// A read-only TagLib stream over an open file that reads positionally in
// blocks and keeps the last few blocks: tag readers seek back and forth
// over the head and the tail of a file, and each seek or read of a buffered
// C stream costs a system call, which made them the bulk of a scan.
#ifndef LIBRARY_SONG_STREAM_H_
#define LIBRARY_SONG_STREAM_H_

#include <taglib/tiostream.h>

#include <memory>
#include <string>
#include <vector>

#include "Lib/kw/sys_dep/input_handle.h"

namespace kw {

class SongStream : public TagLib::IOStream {
 public:
  // Takes over the open file `file` (opened for readAt) named `name`.
  // `name` gives TagLib the extension to go by. A thread may hold one
  // SongStream at a time.
  SongStream(sys_dep::InputHandle file, std::string name);
  ~SongStream() override;
  SongStream(const SongStream&) = delete;
  SongStream& operator=(const SongStream&) = delete;

  TagLib::FileName name() const override;
  // Up to `length` bytes from the current position (fewer at the end of the
  // file or after a read error), and moves past them. None once the stream
  // is exhausted().
  TagLib::ByteVector readBlock(unsigned long length) override;
  // Writing is refused: these do nothing.
  void writeBlock(const TagLib::ByteVector&) override;
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override;
  void removeBlock(unsigned long, unsigned long) override;
  void truncate(long) override;
  bool readOnly() const override;
  bool isOpen() const override;
  // Moves to `offset` from the start, the current position or the end. A
  // seek before the start or past what a long can hold fails as a file
  // stream's does: the position stays. Does nothing once exhausted().
  void seek(long offset, Position from = Beginning) override;
  long tell() const override;
  long length() override;

  // True once a tag reader was handed more than 16 times the file's size in
  // bytes (at least 1 MiB), or made more than 10,000 seeks: a damaged or
  // crafted file that sends it round in circles. From then on every read
  // gives nothing, which ends any reader's loop.
  bool exhausted() const { return exhausted_; }

 private:
  struct Block {
    long start;  // a multiple of kBlock
    char* bytes;  // kBlock bytes of the thread's buffer, `size` of them read
    std::size_t size;
  };

  // The cached block that starts at `start`, read when it is not cached.
  const Block& block(long start);

  // Tags sit in the first and last few KiB; larger blocks only cost copying.
  static constexpr long kBlock = 16 * 1024;
  static constexpr std::size_t kBlocksKept = 4;

  // Marks the stream exhausted() once the reads or seeks so far are over
  // the budget; returns whether it is.
  bool checkBudget();

  static constexpr unsigned long kMaxSeeks = 10000;
  static constexpr unsigned long kMinBytes = 1 << 20;

  sys_dep::InputHandle file_;
  std::string name_;
  long position_ = 0;
  long length_ = -1;
  unsigned long bytesHanded_ = 0;
  unsigned long seeks_ = 0;
  bool exhausted_ = false;
  // The most recently read last; at most kBlocksKept.
  std::vector<Block> blocks_;
  // kBlocksKept blocks of memory, the calling thread's own: a scan opens a
  // stream per song, one at a time on each thread, and allocating the
  // blocks anew for each song cost more than reading them.
  char* buffer_;
};

}  // namespace kw

#endif  // LIBRARY_SONG_STREAM_H_
