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

int OpenSerialDevice(const std::string& path, int* error) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
    close(fd);
    *error = ENOTTY;
    return -1;
  }
  // flock also holds against root, whom TIOCEXCL lets through.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *error = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    return -1;
  }
  ioctl(fd, TIOCEXCL);
  return fd;
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

void TryLowLatency(int fd) {
  serial_struct serial{};
  if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ioctl(fd, TIOCSSERIAL, &serial);
}

void CloseSerialDevice(int fd) {
  if (fd < 0) return;
  PurgeBoth(fd);
  ioctl(fd, TIOCNXCL);
  close(fd);
}

}  // namespace pulse::comm
