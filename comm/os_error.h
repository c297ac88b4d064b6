// How the serial layer reports a failed system call: a std::error_code with the errno inside,
// or a value together with one.
#pragma once

#include <cerrno>
#include <system_error>

namespace pulse::comm {

[[nodiscard]] inline std::error_code OsError(int error) {
  return {error, std::system_category()};
}
// The errno the call that just failed left behind; read it before anything else can change it.
[[nodiscard]] inline std::error_code LastOsError() {
  return OsError(errno);
}

// A value, or the reason there is none (then `value` holds its default).
template <typename T>
struct OsResult {
  T value{};
  std::error_code error;

  [[nodiscard]] bool Ok() const { return !error; }
};

}  // namespace pulse::comm
