#include "library/song_stream.h"

#include <algorithm>

namespace kw {
namespace {

char* threadBuffer(std::size_t size) {
  thread_local const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(size);
  return buffer.get();
}

}  // namespace

SongStream::SongStream(sys_dep::InputHandle file, std::string name)
    : file_(std::move(file)), name_(std::move(name)), buffer_(threadBuffer(kBlocksKept * kBlock)) {
  blocks_.reserve(kBlocksKept);
}

SongStream::~SongStream() = default;

TagLib::FileName SongStream::name() const { return name_.c_str(); }

const SongStream::Block& SongStream::block(long start) {
  for (const Block& kept : blocks_)
    if (kept.start == start) return kept;
  // The least recently read block makes room; its memory is reused.
  char* memory = buffer_ + blocks_.size() * kBlock;
  if (blocks_.size() == kBlocksKept) {
    memory = blocks_.front().bytes;
    blocks_.erase(blocks_.begin());
  }
  // A failed read counts as the end of the file.
  const std::int64_t got = file_.readAt(static_cast<std::uint64_t>(start), memory, static_cast<std::size_t>(kBlock));
  blocks_.push_back(Block{start, memory, got > 0 ? static_cast<std::size_t>(got) : 0});
  return blocks_.back();
}

// Tag readers ask for many small pieces; a piece within one block, the usual
// case, is copied once, straight into the vector returned.
TagLib::ByteVector SongStream::readBlock(unsigned long length) {
  TagLib::ByteVector result;
  if (exhausted_) return result;
  while (length > 0) {
    const long start = position_ / kBlock * kBlock;
    const Block& cached = block(start);
    const auto offset = static_cast<std::size_t>(position_ - start);
    if (offset >= cached.size) break;
    const std::size_t count = std::min<std::size_t>(length, cached.size - offset);
    const bool blockEnds = cached.size < static_cast<std::size_t>(kBlock);
    // Most pieces lie within one block: copied once, straight into the result.
    if (result.isEmpty())
      result = TagLib::ByteVector(cached.bytes + offset, static_cast<unsigned int>(count));
    else
      result.append(TagLib::ByteVector(cached.bytes + offset, static_cast<unsigned int>(count)));
    position_ += static_cast<long>(count);
    length -= count;
    if (blockEnds) break;
  }
  bytesHanded_ += result.size();
  checkBudget();
  return result;
}

void SongStream::writeBlock(const TagLib::ByteVector&) {}
void SongStream::insert(const TagLib::ByteVector&, unsigned long, unsigned long) {}
void SongStream::removeBlock(unsigned long, unsigned long) {}
void SongStream::truncate(long) {}
bool SongStream::readOnly() const { return true; }
bool SongStream::isOpen() const { return true; }

void SongStream::seek(long offset, Position from) {
  if (exhausted_) return;
  ++seeks_;
  if (checkBudget()) return;
  const long base = from == Current ? position_ : from == End ? length() : 0;
  long target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) return;
  position_ = target;
}

bool SongStream::checkBudget() {
  const auto size = static_cast<unsigned long>(length());
  const unsigned long maxBytes = std::max(size * 16, kMinBytes);
  exhausted_ = bytesHanded_ > maxBytes || seeks_ > kMaxSeeks;
  return exhausted_;
}

long SongStream::tell() const { return position_; }

long SongStream::length() {
  if (length_ < 0) length_ = static_cast<long>(file_.regularFileSize().value_or(0));
  return length_;
}

}  // namespace kw
