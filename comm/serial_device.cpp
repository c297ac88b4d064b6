#include "comm/serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "comm/line_settings.h"

namespace comm {

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

}  // namespace comm
