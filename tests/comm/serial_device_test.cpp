// What the serial layer's failures carry: the errno of the call that failed, in the system
// category, so that the reason shown to the operator is the system's own.
#include "comm/serial_device.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

#include "comm/comm32.h"
#include "comm/manual_queue.h"
#include "comm/stop_signal.h"
#include "comm/write_queue.h"
#include "tests/support/pty_pair.h"

namespace {

using pulse::comm::OpenSerialDevice;
using pulse::comm::OsResult;

void ExpectErrno(const std::error_code& error, int expected) {
  EXPECT_EQ(error.value(), expected) << error.message();
  EXPECT_EQ(&error.category(), &std::system_category());
}

TEST(SerialDeviceErrors, AFailedOpenCarriesItsErrno) {
  const OsResult<int> missing = OpenSerialDevice("/dev/no-such-serial-device");
  ExpectErrno(missing.error, ENOENT);
  EXPECT_LT(missing.value, 0);

  const std::string regular = testing::TempDir() + "/not-a-serial-device";
  std::ofstream(regular) << "x";
  ExpectErrno(OpenSerialDevice(regular).error, ENOTTY);

  pulse::test::PtyPair pty;
  const OsResult<int> first = OpenSerialDevice(pty.SlavePath());
  ASSERT_TRUE(first.Ok()) << first.error.message();
  const OsResult<int> second = OpenSerialDevice(pty.SlavePath());
  ExpectErrno(second.error, EBUSY);
  EXPECT_EQ(pulse::comm::DescribeOpenError(second.error.value()),
            "the port is in use by another program");
  EXPECT_FALSE(pulse::comm::CloseSerialDevice(first.value));
  // Closed once, it is free again; a second close of the number is refused, not silent.
  const OsResult<int> again = OpenSerialDevice(pty.SlavePath());
  ASSERT_TRUE(again.Ok()) << again.error.message();
  EXPECT_FALSE(pulse::comm::CloseSerialDevice(again.value));
  ExpectErrno(pulse::comm::CloseSerialDevice(again.value), EBADF);
}

// Lets the process open exactly `spare` more descriptors, for the time of a test.
class DescriptorLimit {
 public:
  explicit DescriptorLimit(int spare) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const int lowest_free = dup(0);
    close(lowest_free);
    rlimit tight = saved_;
    tight.rlim_cur = static_cast<rlim_t>(lowest_free + spare);
    setrlimit(RLIMIT_NOFILE, &tight);
  }
  ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }
  DescriptorLimit(const DescriptorLimit&) = delete;
  DescriptorLimit& operator=(const DescriptorLimit&) = delete;

 private:
  rlimit saved_{};
};

TEST(SerialDeviceErrors, NoDescriptorLeftIsReportedWithItsErrno) {
  {
    const DescriptorLimit limit(0);
    ExpectErrno(pulse::comm::StopSignal::Create().error, EMFILE);
    ExpectErrno(pulse::comm::WriteQueue::Create().error, EMFILE);
  }
  // The component opens the device with the last descriptor, then cannot have its stop
  // signal: the open fails with that errno and lets the device go.
  pulse::test::PtyPair pty;
  pulse::comm::ManualQueue queue;
  pulse::comm::TComm32 comm(queue);
  comm.SetCommPort(pty.SlavePath());
  comm.SetBaudRate(256000);
  {
    const DescriptorLimit limit(1);
    EXPECT_FALSE(comm.OpenPort());
  }
  EXPECT_EQ(comm.OpenError(), EMFILE);
  EXPECT_FALSE(comm.IsOpen());
  const OsResult<int> other = OpenSerialDevice(pty.SlavePath());
  ASSERT_TRUE(other.Ok()) << other.error.message();
  EXPECT_FALSE(pulse::comm::CloseSerialDevice(other.value));
  EXPECT_TRUE(comm.OpenPort());
  comm.ClosePort();
}

TEST(SerialDeviceErrors, AClosedWriteQueueRefusesWithEpipe) {
  OsResult<std::unique_ptr<pulse::comm::WriteQueue>> queue = pulse::comm::WriteQueue::Create();
  ASSERT_TRUE(queue.Ok());
  pulse::comm::WriteRequest request;
  EXPECT_FALSE(queue.value->Post(std::move(request)));
  queue.value->Close();
  ExpectErrno(queue.value->Post(pulse::comm::WriteRequest{}), EPIPE);
  EXPECT_FALSE(queue.value->TryTake());  // the request queued before the close was dropped
}

}  // namespace
