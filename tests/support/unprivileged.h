// Running a piece of a test as an ordinary user. Permission checks do not
// apply to root, so when the tests run as root the piece runs in a forked
// child that has given up root; otherwise it runs here. The piece reports
// through the text it returns (the child cannot use the test's assertions).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace pulse::test {

// The user an unprivileged piece runs as when we are root ("nobody").
inline constexpr uid_t kUnprivilegedId = 65534;

// A folder the unprivileged piece owns (given to it when we are root).
bool GiveToUnprivileged(const std::string& path);

std::string RunUnprivileged(const std::function<std::string()>& piece);

}  // namespace pulse::test
