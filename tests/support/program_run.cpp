#include "tests/support/program_run.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace pulse::test {

ProgramRun RunCommand(const std::string& command) {
  const TempDir io("program-run");
  // Braces, so that every command of a list is caught, not only the last.
  const int status = std::system(
      ("{ " + command + "\n} >'" + (io / "out") + "' 2>'" + (io / "err") + "'").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(io / "out"), ReadAll(io / "err")};
}

}  // namespace pulse::test
