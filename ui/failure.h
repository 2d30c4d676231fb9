#pragma once
#include <exception>
#include <utility>

#include "platform/log.h"

namespace vcd::ui {

// Runs one statement of a routine whose failures are skipped: a failing statement is
// abandoned and the routine goes on with the next one. What was skipped, and why, goes to the
// window's log at debug level; `what` names the statement ("Capture: pause").
template <typename Statement>
void skipOnFailure(const char* what, Statement&& statement) noexcept {
  try {
    std::forward<Statement>(statement)();
  } catch (const std::exception& e) {
    qCDebug(lcWindow, "%s: skipped: %s", what, e.what());
  } catch (...) {
    qCDebug(lcWindow, "%s: skipped", what);
  }
}

}  // namespace vcd::ui
