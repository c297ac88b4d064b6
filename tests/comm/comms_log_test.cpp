#include "comm/comms_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "comm/comm32.h"
#include "comm/manual_queue.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using namespace pulse::comm;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CommsLog, ErrorLinesCarryTheSystemText) {
  EXPECT_EQ(pulse::comm::FormatErrorLine("Unable to CreateEvent: ", ENOENT),
            "Unable to CreateEvent: GetLastError returned: \"No such file or directory\"");
  EXPECT_EQ(pulse::comm::FormatErrorLine("", EIO), "GetLastError returned: \"Input/output error\"");
  // A code the system has no text for still gives a line, never an empty one.
  EXPECT_NE(pulse::comm::FormatErrorLine("x", 99999).find("GetLastError returned: \""),
            std::string::npos);
}

TEST(CommsLog, WritesTheCloseSequenceWhileANameIsSet) {
  pulse::test::PtyPair pty;
  const pulse::test::TempDir dir("commslog");
  const fs::path log = dir.Path() / "comms.log";
  pulse::comm::ManualQueue queue;
  TComm32 comm(queue);
  comm.SetCommPort(pty.SlavePath());
  comm.SetBaudRate(256000);
  comm.SetCommsLogFileName(log.string());
  ASSERT_TRUE(comm.OpenPort());
  comm.ClosePort();
  comm.SetCommsLogFileName("");
  const uint8_t byte = 0;
  EXPECT_FALSE(comm.WriteData(&byte, 1));  // logging is off again: nothing more in the file

  const std::string text = ReadFile(log);
  for (const char* line :
       {"Stopping the Comm\n", "Closing Read Thread \n", "Read thread shutting down\n",
        "Closing Write Thread\n", "Write thread shutting down\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_LT(text.find("Closing Read Thread "), text.find("Closing Write Thread"));
  EXPECT_EQ(text.find("Write thread not created"), std::string::npos);
}

TEST(CommsLog, ANewComponentSwitchesLoggingOffAndAnEmptyNameWritesNoFile) {
  pulse::test::PtyPair pty;
  const pulse::test::TempDir temp("commslog-empty");
  const fs::path dir = temp.Path();
  const fs::path log = dir / "first.log";
  pulse::comm::ManualQueue queue;
  TComm32 first(queue);
  first.SetCommPort(pty.SlavePath());
  first.SetBaudRate(256000);
  first.SetCommsLogFileName(log.string());
  TComm32 second(queue);  // clears the process-wide name
  EXPECT_EQ(pulse::comm::CommsLog::ProcessName(), "");

  // The first still creates its file, but no line goes into it.
  ASSERT_TRUE(first.OpenPort());
  const uint8_t byte = 0;
  EXPECT_FALSE(second.WriteData(&byte, 1));
  first.ClosePort();
  ASSERT_TRUE(fs::exists(log));
  EXPECT_EQ(ReadFile(log), "");
  fs::remove(log);

  // With no name at all, opening and closing leaves nothing on disk, not even a nameless file.
  const fs::path old_cwd = fs::current_path();
  fs::current_path(dir);
  second.SetCommPort(pty.SlavePath());
  second.SetBaudRate(256000);
  ASSERT_TRUE(second.OpenPort());
  EXPECT_FALSE(first.WriteData(&byte, 1));
  second.ClosePort();
  fs::current_path(old_cwd);
  EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
