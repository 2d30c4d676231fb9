#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace vcd::platform {

// What one drive holds, as seen from outside, without waiting for the disc.
struct MediumState {
  QString device;        // "/dev/sr0", or the image a virtual drive holds
  bool present = false;  // a disc is in and the drive says it is ready
  bool changed = false;  // the drive reports a new medium since it was last asked
  uint64_t serial = 0;   // another value: another medium (a virtual drive's)
};
// The media of the drive table; `optical` false leaves the optical drives out.
using MediaQuery = std::function<std::vector<MediumState>(bool optical)>;

}  // namespace vcd::platform
