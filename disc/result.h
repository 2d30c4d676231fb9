#pragma once
#include <QString>
#include <optional>
#include <utility>

// How the disc layer fails: a function that can fail returns a Result, which holds either its
// value or the Failure that says why. Nothing in the disc layer throws, logs a failure it
// returns, or hands the reason back through an out-parameter; the drive table turns a Failure
// into the window's message and the terminal's line in one place.
namespace vcd::disc {

struct Failure {
  QString reason;  // what the window tells the user, or why an image is refused
  // The terminal line for a failure a user may need to report; empty when the reason says it all
  // or the failure is an expected one.
  QString report;
};

inline Failure failure(QString reason, QString report = {}) { return Failure{std::move(reason), std::move(report)}; }

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
  Result(Failure f) : failure_(std::move(f)) {}  // NOLINT: and a Failure a failure

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T&& operator*() && { return *std::move(value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  const Failure& error() const { return failure_; }
  const QString& reason() const { return failure_.reason; }

 private:
  std::optional<T> value_;
  Failure failure_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure f) : ok_(false), failure_(std::move(f)) {}  // NOLINT

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const Failure& error() const { return failure_; }
  const QString& reason() const { return failure_.reason; }

 private:
  bool ok_ = true;
  Failure failure_;
};

}  // namespace vcd::disc
