#pragma once
#include <exception>
#include <utility>

namespace vcd::controls {

// Runs one statement of a routine whose failures are skipped: a failing statement is
// abandoned and the routine goes on with the next one.
template <typename Statement>
void skipOnFailure(Statement&& statement) noexcept {
  try {
    std::forward<Statement>(statement)();
  } catch (...) {
  }
}

}  // namespace vcd::controls
