// A file open for reading its bytes exactly as they are on disk.
#ifndef KW_SYS_DEP_INPUT_HANDLE_H_
#define KW_SYS_DEP_INPUT_HANDLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kw::sys_dep {

// Bytes as they are: no platform turns CR LF into LF or stops at byte 0x1A.
// Owns the handle it opened; standard input is borrowed and stays open.
// Moves, does not copy.
class InputHandle {
 public:
  // How the file will be read: from start to end with read(), or in pieces
  // anywhere with readAt() (then the open never blocks, even on a FIFO that
  // has taken the place of a song).
  enum class Use { kWhole, kPieces };

  // Opens `name` (UTF-8) for reading. Returns nullopt with errno set when it
  // cannot be opened. A folder gives EISDIR, at the open or at the first
  // read, as the platform has it.
  static std::optional<InputHandle> open(const std::string& name, Use use = Use::kWhole);
  // The process's standard input.
  static InputHandle standardInput();

  InputHandle(InputHandle&& other) noexcept;
  InputHandle& operator=(InputHandle&& other) noexcept;
  ~InputHandle();

  // Reads up to `size` bytes into `buffer` and returns how many; 0 at the
  // end of the input (a closed pipe counts as its end), -1 with errno set on
  // failure. An interrupted read is retried.
  std::int64_t read(char* buffer, std::size_t size);
  // Reads up to `size` bytes from `offset` on, whatever was read before, and
  // returns how many: fewer only at the end of the file, -1 with errno set on
  // failure. Safe to call on several threads at once.
  std::int64_t readAt(std::uint64_t offset, char* buffer, std::size_t size) const;
  // The size of the file when it is a regular file; nullopt otherwise.
  std::optional<std::uint64_t> regularFileSize() const;

 private:
  InputHandle(std::intptr_t native, bool owned) : native_(native), owned_(owned) {}
  void close();

  std::intptr_t native_;  // a descriptor, or a Windows HANDLE
  bool owned_;
};

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_INPUT_HANDLE_H_
