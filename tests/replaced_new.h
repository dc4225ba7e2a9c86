#pragma once

// Replaces the global allocation functions of a test program with ones that go through the
// program's own `allocate`. Include it in one file of the program; the array and nothrow forms
// of the standard library call these.

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

// Defined by the program: counts, fails on purpose, or takes memory with takeMemory().
void* allocate(std::size_t size, std::size_t alignment);

// Takes memory from malloc, as the freeing side below expects.
inline void* takeMemory(std::size_t size, std::size_t alignment) {
  if (size == 0) size = 1;
  void* memory =
      alignment <= alignof(std::max_align_t)
          ? std::malloc(size)
          : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  if (!memory) throw std::bad_alloc();
  return memory;
}

// Every block given back through the operators below, for a program that matches what it
// counted going out with what comes back.
inline std::atomic<long> releasedBlocks{0};

inline void release(void* memory) {
  if (memory) ++releasedBlocks;
  std::free(memory);
}

void* operator new(std::size_t size) {
  return allocate(size, 0);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept {
  release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  release(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
  release(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
  release(memory);
}
