// One 16-bit machine word seen atomically, for the words two threads share (cpu/shared.hpp) and the
// RAM stores the window thread may read meanwhile. std::atomic_ref where the C++ library has it;
// otherwise (emscripten's libc++ of 3.1.6) the same few operations on the compiler's atomic
// builtins, which compile to the same plain moves.
#pragma once

#include <atomic>
#include <cstdint>

namespace kv74 {

#if defined(__cpp_lib_atomic_ref)
using WordRef = std::atomic_ref<std::uint16_t>;
#else
class WordRef {
 public:
  explicit WordRef(std::uint16_t& w) : w_(&w) {}
  std::uint16_t load(std::memory_order o) const { return __atomic_load_n(w_, Order(o)); }
  void store(std::uint16_t v, std::memory_order o) const { __atomic_store_n(w_, v, Order(o)); }
  bool compare_exchange_strong(std::uint16_t& expected, std::uint16_t v,
                               std::memory_order o) const {
    return __atomic_compare_exchange_n(w_, &expected, v, false, Order(o), Order(o));
  }
  std::uint16_t fetch_or(std::uint16_t v, std::memory_order o) const {
    return __atomic_fetch_or(w_, v, Order(o));
  }
  std::uint16_t fetch_and(std::uint16_t v, std::memory_order o) const {
    return __atomic_fetch_and(w_, v, Order(o));
  }
  std::uint16_t fetch_xor(std::uint16_t v, std::memory_order o) const {
    return __atomic_fetch_xor(w_, v, Order(o));
  }

 private:
  // The library's orders carry the builtins' numbers.
  static constexpr int Order(std::memory_order o) { return static_cast<int>(o); }
  std::uint16_t* w_;
};
#endif

}  // namespace kv74
