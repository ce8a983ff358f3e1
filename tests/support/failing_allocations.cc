#include "tests/support/failing_allocations.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace trackmend_test {
namespace {

// Allocations left before the one that fails; negative: none fails.
std::atomic<std::int64_t> allocationsLeft{-1};
std::atomic<bool> allocationFailed{false};

// Counts down to the failing allocation; exactly one caller sees zero.
bool thisAllocationFails() {
  if (allocationsLeft.load(std::memory_order_relaxed) < 0) return false;
  if (allocationsLeft.fetch_sub(1) != 0) return false;
  allocationFailed = true;
  return true;
}

void* allocate(std::size_t size) {
  if (thisAllocationFails()) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void* allocateOrNull(std::size_t size) noexcept {
  if (thisAllocationFails()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

int failEachAllocationInTurn(const std::function<void()>& work,
                             const std::function<void(bool threw)>& check) {
  for (int n = 1;; ++n) {
    allocationFailed = false;
    allocationsLeft = n - 1;
    bool threw = false;
    try {
      work();
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    allocationsLeft = -1;
    check(threw);
    if (!allocationFailed) return n;
  }
}

Deadline::Deadline(int seconds)
    : watch_([this, seconds] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; })) return;
        std::fprintf(stderr, "Deadline of %d s passed: the code under test hangs\n", seconds);
        std::abort();
      }) {}

Deadline::~Deadline() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_all();
  watch_.join();
}

}  // namespace trackmend_test

void* operator new(std::size_t size) { return trackmend_test::allocate(size); }
void* operator new[](std::size_t size) { return trackmend_test::allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return trackmend_test::allocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return trackmend_test::allocateOrNull(size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
