// The SHA-256 digest (FIPS 180-4) of a byte stream, written as 64 lowercase hex
// digits, so that a page names exactly the input it was made from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace evaluate {

class Sha256 {
 public:
  Sha256();
  void add(std::string_view bytes);
  // The digest of everything added; the object is spent afterwards.
  std::string hex();

 private:
  void block(const unsigned char* p);
  std::array<std::uint32_t, 8> h_;
  std::array<unsigned char, 64> pending_{};
  std::size_t held_ = 0;
  std::uint64_t length_ = 0;  // bytes added
};

std::string sha256_hex(std::string_view bytes);

}  // namespace evaluate
