#include "protocol/retry_rules.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace pulse::form;

namespace {

class RetryTest : public ::testing::Test {
 protected:
  RetryTest() { state.PortOpen = true; }

  // Runs `ticks` timer steps and returns the 1-based ticks on which a frame
  // with `code` was written.
  std::vector<int> TicksSending(int ticks, uint8_t code) {
    std::vector<int> at;
    for (int t = 1; t <= ticks; ++t) {
      const size_t before = link.writes.size();
      retry.Step();
      for (size_t i = before; i < link.writes.size(); ++i) {
        if (link.writes[i][3] == code) at.push_back(t);
      }
    }
    return at;
  }

  TFormState state;
  TMainControls controls;
  pulse::test::FakeLink link;
  pulse::protocol::CommandSender sender{state, controls, link};
  pulse::protocol::CommandRetry retry{state, sender};
};

TEST_F(RetryTest, UnacknowledgedStopRepeatsEveryFifthTick) {
  sender.BeginStop();
  link.writes.clear();
  EXPECT_EQ(TicksSending(16, 0x32), (std::vector<int>{5, 10, 15}));
  state.StopPending = false;  // acknowledged
  EXPECT_TRUE(TicksSending(10, 0x32).empty());
}

TEST_F(RetryTest, ZeroRepeatsEveryFifthTickAndAPressRestartsTheCount) {
  sender.BeginZero();
  link.writes.clear();
  EXPECT_EQ(TicksSending(7, 0x35), (std::vector<int>{5}));
  sender.BeginZero();  // sends at once, next repeat 5 ticks later
  EXPECT_EQ(link.writes.size(), 2u);
  link.writes.clear();
  EXPECT_EQ(TicksSending(10, 0x35), (std::vector<int>{5, 10}));
}

TEST_F(RetryTest, StopRetrySupersedesZeroRetry) {
  sender.BeginZero();
  state.StopPending = true;  // stop pending since before
  state.StopTicks = 0;
  link.writes.clear();
  EXPECT_EQ(TicksSending(10, 0x35), std::vector<int>{});  // the stop at tick 5 cleared it
  EXPECT_FALSE(state.ZeroPending);
}

TEST_F(RetryTest, OneStartTenTicksAfterZeroAckWhileSampling) {
  state.Sampling = true;
  state.RestartPending = true;  // as the zero acknowledgement leaves it
  state.RestartTicks = 0;
  EXPECT_EQ(TicksSending(40, 0x31), (std::vector<int>{10}));
  EXPECT_FALSE(state.RestartPending);
}

TEST_F(RetryTest, NoStartWhenSamplingStoppedMeanwhile) {
  state.Sampling = true;
  state.RestartPending = true;
  EXPECT_TRUE(TicksSending(4, 0x31).empty());
  state.Sampling = false;
  EXPECT_TRUE(TicksSending(20, 0x31).empty());
  EXPECT_FALSE(state.RestartPending);
  state.Sampling = true;
  EXPECT_TRUE(TicksSending(20, 0x31).empty());
}

}  // namespace
