#include "protocol/retry_rules.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace pulse::form;

namespace {

class RetryTest : public ::testing::Test {
 protected:
  RetryTest() { state_.PortOpen = true; }

  // Runs `ticks` timer steps and returns the 1-based ticks on which a frame
  // with `code` was written.
  std::vector<int> TicksSending(int ticks, uint8_t code) {
    std::vector<int> at;
    for (int t = 1; t <= ticks; ++t) {
      const size_t before = link_.writes.size();
      retry_.Step();
      for (size_t i = before; i < link_.writes.size(); ++i) {
        if (link_.writes[i][3] == code) at.push_back(t);
      }
    }
    return at;
  }

  TFormState state_;
  TMainControls controls_;
  pulse::test::FakeLink link_;
  pulse::protocol::CommandSender sender_{state_, controls_, link_};
  pulse::protocol::CommandRetry retry_{state_, sender_};
};

TEST_F(RetryTest, UnacknowledgedStopRepeatsEveryFifthTick) {
  sender_.BeginStop();
  link_.writes.clear();
  EXPECT_EQ(TicksSending(16, 0x32), (std::vector<int>{5, 10, 15}));
  state_.StopPending = false;  // acknowledged
  EXPECT_TRUE(TicksSending(10, 0x32).empty());
}

TEST_F(RetryTest, ZeroRepeatsEveryFifthTickAndAPressRestartsTheCount) {
  sender_.BeginZero();
  link_.writes.clear();
  EXPECT_EQ(TicksSending(7, 0x35), (std::vector<int>{5}));
  sender_.BeginZero();  // sends at once, next repeat 5 ticks later
  EXPECT_EQ(link_.writes.size(), 2u);
  link_.writes.clear();
  EXPECT_EQ(TicksSending(10, 0x35), (std::vector<int>{5, 10}));
}

TEST_F(RetryTest, StopRetrySupersedesZeroRetry) {
  sender_.BeginZero();
  state_.StopPending = true;  // stop pending since before
  state_.StopTicks = 0;
  link_.writes.clear();
  EXPECT_EQ(TicksSending(10, 0x35), std::vector<int>{});  // the stop at tick 5 cleared it
  EXPECT_FALSE(state_.ZeroPending);
}

TEST_F(RetryTest, OneStartTenTicksAfterZeroAckWhileSampling) {
  state_.Sampling = true;
  state_.RestartPending = true;  // as the zero acknowledgement leaves it
  state_.RestartTicks = 0;
  EXPECT_EQ(TicksSending(40, 0x31), (std::vector<int>{10}));
  EXPECT_FALSE(state_.RestartPending);
}

TEST_F(RetryTest, NoStartWhenSamplingStoppedMeanwhile) {
  state_.Sampling = true;
  state_.RestartPending = true;
  EXPECT_TRUE(TicksSending(4, 0x31).empty());
  state_.Sampling = false;
  EXPECT_TRUE(TicksSending(20, 0x31).empty());
  EXPECT_FALSE(state_.RestartPending);
  state_.Sampling = true;
  EXPECT_TRUE(TicksSending(20, 0x31).empty());
}

}  // namespace
