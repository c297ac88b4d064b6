#include "comm/serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "comm/line_settings.h"

namespace pulse::comm {

OsResult<int> OpenSerialDevice(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {-1, LastOsError()};
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
    close(fd);
    return {-1, OsError(ENOTTY)};
  }
  // flock also holds against root, whom TIOCEXCL lets through.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const std::error_code error = errno == EWOULDBLOCK ? OsError(EBUSY) : LastOsError();
    close(fd);
    return {-1, error};
  }
  // Not every character device knows TIOCEXCL; the flock above is what keeps others out.
  ioctl(fd, TIOCEXCL);
  return {fd, {}};
}

std::string DescribeOpenError(int error) {
  switch (error) {
    case 0:
      return "no such port: the number is not mapped to a device and no serial port with that "
             "number is present";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "the device does not exist (is the adapter plugged in?)";
    case EACCES:
    case EPERM:
      return "permission denied (add the user to the group owning the device, usually "
             "dialout, then log in again)";
    case EBUSY:
      return "the port is in use by another program";
    case ENOTTY:
      return "not a serial device";
    default:
      return std::strerror(error);
  }
}

std::error_code TryLowLatency(int fd) {
  serial_struct serial{};
  if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return LastOsError();
  serial.flags |= ASYNC_LOW_LATENCY;
  if (ioctl(fd, TIOCSSERIAL, &serial) != 0) return LastOsError();
  return {};
}

std::error_code CloseSerialDevice(int fd) {
  if (fd < 0) return OsError(EBADF);
  // Only a tty has queues to discard or an exclusive flag to drop; the close is what counts.
  (void)PurgeBoth(fd);
  ioctl(fd, TIOCNXCL);
  if (close(fd) != 0) return LastOsError();
  return {};
}

}  // namespace pulse::comm
