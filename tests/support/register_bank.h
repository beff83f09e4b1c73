#pragma once
// The holding registers of a test responder: 65536 words, register n starting
// as n * 7 + 3 (so a shifted or swapped answer shows), shared under a mutex.

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kvx::test {

constexpr std::uint16_t InitialRegisterValue(unsigned address) {
  return static_cast<std::uint16_t>(address * 7 + 3);
}

class RegisterBank {
 public:
  RegisterBank() {
    for (unsigned i = 0; i < words_.size(); ++i) words_[i] = InitialRegisterValue(i);
  }
  std::vector<std::uint16_t> Read(unsigned first, unsigned count) {
    std::lock_guard<std::mutex> hold(guard_);
    std::vector<std::uint16_t> out;
    for (unsigned i = 0; i < count; ++i) out.push_back(words_[(first + i) & 0xFFFF]);
    return out;
  }
  void Write(unsigned first, const std::vector<std::uint16_t>& values) {
    std::lock_guard<std::mutex> hold(guard_);
    for (unsigned i = 0; i < values.size(); ++i) words_[(first + i) & 0xFFFF] = values[i];
  }
  std::uint16_t At(unsigned address) {
    std::lock_guard<std::mutex> hold(guard_);
    return words_[address & 0xFFFF];
  }

 private:
  std::mutex guard_;
  std::array<std::uint16_t, 65536> words_{};
};

}  // namespace kvx::test
