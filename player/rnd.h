#pragma once
#include <cmath>
#include <cstdint>

namespace vcd::player {

// The classic BASIC Rnd generator: a 24-bit linear congruential sequence that is never seeded,
// so every run of the player makes the same random picks on the same disc.
class Rnd {
 public:
  float next() {
    state_ = (state_ * 1140671485u + 12820163u) & 0xFFFFFFu;
    return static_cast<float>(state_) / 16777216.0f;
  }

  // Index of a uniform pick among n entries: floor(n × r), taken on the exact product.
  static int pick(int n, float r) {
    return static_cast<int>(std::floor(static_cast<double>(static_cast<float>(n)) * static_cast<double>(r)));
  }

 private:
  uint32_t state_ = 327680u;
};

}  // namespace vcd::player
