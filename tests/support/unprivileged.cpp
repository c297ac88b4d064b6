#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pulse::test {

bool GiveToUnprivileged(const std::string& path) {
  if (::geteuid() != 0) return true;
  return ::chown(path.c_str(), kUnprivilegedId, kUnprivilegedId) == 0;
}

std::string RunUnprivileged(const std::function<std::string()>& piece) {
  if (::geteuid() != 0) return piece();
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    ::close(fds[0]);
    std::string out;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedId) != 0 ||
        ::setuid(kUnprivilegedId) != 0 || ::geteuid() == 0)
      out = "could not leave root";
    else
      out = piece();
    const char* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
      const ssize_t n = ::write(fds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
    out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "the child did not finish";
  return out;
}

}  // namespace pulse::test
