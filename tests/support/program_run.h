// Running one of the programs the way a user's shell would, with what it prints caught.
#pragma once

#include <string>

namespace pulse::test {

struct ProgramRun {
  int code = -1;  // the exit status; -1 when it did not exit by itself
  std::string out, err;
};

// Runs `command` through the shell with its standard output and error caught in files.
ProgramRun RunCommand(const std::string& command);

}  // namespace pulse::test
