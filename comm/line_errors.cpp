#include "comm/line_errors.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace pulse::comm {

uint32_t CommErrorFlags(const LineErrorCounts& before, const LineErrorCounts& now) {
  uint32_t flags = 0;
  if (now.frame != before.frame) flags |= kCeFrame;
  if (now.overrun != before.overrun) flags |= kCeOverrun;
  if (now.Parity != before.Parity) flags |= kCeRxParity;
  if (now.buffer_overrun != before.buffer_overrun) flags |= kCeRxOver;
  return flags;
}

std::string CommEventReport(uint32_t flags) {
  std::string description;
  auto append = [&description](const char* item) {
    if (!description.empty()) description += " and ";
    description += item;
  };
  if (flags == 0) append("NULL Error");
  if (flags & kCeFrame) append("CE_FRAME");
  if (flags & kCeOverrun) append("CE_OVERRUN");
  if (flags & kCeRxParity) append("CE_RXPARITY");
  if (flags & ~(kCeOverrun | kCeRxParity | kCeFrame)) append("EV_ERR Unknown EvtMask");
  return "Comm Event: " + description + ", EvtMask = " + std::to_string(flags);
}

OsResult<LineErrorCounts> ReadLineErrorCounts(int fd) {
  serial_icounter_struct icount{};
  if (ioctl(fd, TIOCGICOUNT, &icount) != 0) return {{}, LastOsError()};
  LineErrorCounts counts;
  counts.frame = static_cast<uint32_t>(icount.frame);
  counts.overrun = static_cast<uint32_t>(icount.overrun);
  counts.Parity = static_cast<uint32_t>(icount.parity);
  counts.buffer_overrun = static_cast<uint32_t>(icount.buf_overrun);
  return {counts, {}};
}

}  // namespace pulse::comm
