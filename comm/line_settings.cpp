// Only these two headers: <termios.h> would redefine the termios structures.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "comm/line_settings.h"

namespace pulse::comm {

namespace {

enum ParityCode { kNoParity, kOddParity, kEvenParity, kMarkParity, kSpaceParity };
enum StopBitsCode { kOneStopBit, kOne5StopBits, kTwoStopBits };

}  // namespace

std::error_code ApplyLineSettings(int fd, const LineSettings& settings) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return LastOsError();

  // A fresh tty is a cooked terminal: no echo, no line editing, no translation, no
  // software flow control; hardware flow control stays as the device had it.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | IMAXBEL | IUCLC);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CREAD | CLOCAL;

  tio.c_cflag &= ~CSIZE;
  tio.c_cflag |= CS8;

  tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  tio.c_iflag &= ~INPCK;
  switch (settings.Parity) {
    case kOddParity:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case kEvenParity:
      tio.c_cflag |= PARENB;
      break;
    case kMarkParity:
      tio.c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case kSpaceParity:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (tio.c_cflag & PARENB) tio.c_iflag |= INPCK;

  // The line has no one-and-a-half stop bits with 8 data bits; two is the nearest.
  if (settings.StopBits == kOne5StopBits || settings.StopBits == kTwoStopBits) {
    tio.c_cflag |= CSTOPB;
  } else {
    tio.c_cflag &= ~CSTOPB;
  }

  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = settings.BaudRate;
  tio.c_ospeed = settings.BaudRate;

  // read() returns as soon as a byte is there; the reader does its own inter-byte timing,
  // and with O_NONBLOCK a read() of 0 bytes then means the device has gone.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;

  if (ioctl(fd, TCSETS2, &tio) != 0) return LastOsError();
  return {};
}

OsResult<uint32_t> ReadBaudRate(int fd) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return {0, LastOsError()};
  return {tio.c_ospeed, {}};
}

namespace {

std::error_code Flush(int fd, int queues) {
  if (ioctl(fd, TCFLSH, queues) != 0) return LastOsError();
  return {};
}

}  // namespace

std::error_code PurgeInput(int fd) {
  return Flush(fd, TCIFLUSH);
}
std::error_code PurgeOutput(int fd) {
  return Flush(fd, TCOFLUSH);
}
std::error_code PurgeBoth(int fd) {
  return Flush(fd, TCIOFLUSH);
}

}  // namespace pulse::comm
