#include "comm/line_errors.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <system_error>

#include "tests/support/pty_pair.h"

namespace {

TEST(LineErrors, CounterDifferencesBecomeFlags) {
  pulse::comm::LineErrorCounts before{3, 1, 0, 7};
  pulse::comm::LineErrorCounts now = before;
  EXPECT_EQ(pulse::comm::CommErrorFlags(before, now), 0u);
  now.frame = 4;
  EXPECT_EQ(pulse::comm::CommErrorFlags(before, now), pulse::comm::kCeFrame);
  now.overrun = 2;
  EXPECT_EQ(pulse::comm::CommErrorFlags(before, now), 10u);
  now.Parity = 1;
  now.buffer_overrun = 8;
  EXPECT_EQ(pulse::comm::CommErrorFlags(before, now), 15u);
  // A counter that wrapped around still moved.
  pulse::comm::LineErrorCounts wrapped{0xFFFFFFFFu, 0, 0, 0};
  EXPECT_EQ(pulse::comm::CommErrorFlags(wrapped, pulse::comm::LineErrorCounts{0, 0, 0, 0}),
            pulse::comm::kCeFrame);
}

TEST(LineErrors, ReportTexts) {
  EXPECT_EQ(pulse::comm::CommEventReport(10), "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10");
  EXPECT_EQ(pulse::comm::CommEventReport(8), "Comm Event: CE_FRAME, EvtMask = 8");
  EXPECT_EQ(pulse::comm::CommEventReport(0), "Comm Event: NULL Error, EvtMask = 0");
  EXPECT_EQ(pulse::comm::CommEventReport(1), "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 1");
  EXPECT_EQ(pulse::comm::CommEventReport(4), "Comm Event: CE_RXPARITY, EvtMask = 4");
  EXPECT_EQ(pulse::comm::CommEventReport(15),
            "Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY and EV_ERR Unknown EvtMask, "
            "EvtMask = 15");
}

TEST(LineErrors, APseudoTerminalCannotTell) {
  // So the reader reports no line errors on it, rather than made-up ones.
  pulse::test::PtyPair pty;
  const int slave = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  EXPECT_EQ(pulse::comm::ReadLineErrorCounts(slave).error, std::errc::inappropriate_io_control_operation);
  close(slave);
}

}  // namespace
