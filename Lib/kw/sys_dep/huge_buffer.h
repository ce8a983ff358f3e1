// Memory for large arrays that the system may back with huge pages.
#ifndef KW_SYS_DEP_HUGE_BUFFER_H_
#define KW_SYS_DEP_HUGE_BUFFER_H_

#include <cstddef>
#include <memory>
#include <new>

namespace kw::sys_dep {

// An uninitialised buffer of at least the size asked for. From one huge page
// (2 MiB) on it is aligned to and rounded up to whole huge pages, which the
// kernel is asked to back with huge pages where it offers them (Windows gives
// such buffers pages of their own, returned to it when freed): filling
// 100 MB of fresh memory takes tens of thousands of page faults in 4 KiB
// pages, and on a virtual machine those faults can cost more than the work
// done in the memory. Smaller buffers are plain heap memory. Owns its
// memory; moves, does not copy.
class HugeBuffer {
 public:
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;

  HugeBuffer() = default;
  // Throws std::bad_alloc when the memory cannot be had.
  explicit HugeBuffer(std::size_t bytes);
  HugeBuffer(HugeBuffer&&) noexcept = default;
  HugeBuffer& operator=(HugeBuffer&&) noexcept = default;

  char* data() const { return memory_.get(); }
  std::size_t size() const { return size_; }

 private:
  struct Free {
    Free() : bytes(0) {}
    explicit Free(std::size_t size) : bytes(size) {}
    void operator()(char* memory) const;
    std::size_t bytes;  // as freeHugeMemory wants it
  };
  std::unique_ptr<char, Free> memory_;
  std::size_t size_ = 0;
};

// A standard allocator that takes large arrays from HugeBuffer's kind of
// memory, so that a std::vector of a million records grows with few page
// faults.
template <class T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(std::size_t n) { return static_cast<T*>(allocateHuge(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { freeHuge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const HugePageAllocator<U>&) const { return true; }

 private:
  static void* allocateHuge(std::size_t bytes);
  static void freeHuge(void* memory, std::size_t bytes);
};

// The memory behind HugeBuffer and HugePageAllocator. allocateHugeMemory
// throws std::bad_alloc; freeHugeMemory takes what it gave, with the size
// asked for or the rounded size (on Windows the two kinds are freed
// differently).
void* allocateHugeMemory(std::size_t bytes, std::size_t& rounded);
void freeHugeMemory(void* memory, std::size_t bytes);

// The platform's side of the two, for `bytes` a multiple of kHugePage:
// allocatePages returns memory aligned to kHugePage or nullptr;
// freePages takes what it gave with the same size.
void* allocatePages(std::size_t bytes);
void freePages(void* memory, std::size_t bytes);

template <class T>
void* HugePageAllocator<T>::allocateHuge(std::size_t bytes) {
  std::size_t rounded = 0;
  return allocateHugeMemory(bytes, rounded);
}

template <class T>
void HugePageAllocator<T>::freeHuge(void* memory, std::size_t bytes) {
  freeHugeMemory(memory, bytes);
}

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_HUGE_BUFFER_H_
