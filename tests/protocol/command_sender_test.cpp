#include "protocol/command_sender.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace pulse::form;

namespace {

using pulse::protocol::CommandSender;
using pulse::test::Bytes;
using pulse::test::FakeLink;

class CommandSenderTest : public ::testing::Test {
 protected:
  CommandSenderTest() { state_.PortOpen = true; }
  const std::string& Panel(StatusPanel p) const { return controls_.StatusBar1.Panel(p).text; }

  TFormState state_;
  TMainControls controls_;
  FakeLink link_;
  CommandSender sender_{state_, controls_, link_};
};

struct CommandCase {
  void (*send)(CommandSender&);
  const char* text;
  const char* sent;
  const char* failed;
};

TEST_F(CommandSenderTest, EveryCommandFrameAndItsStatusTexts) {
  const CommandCase cases[] = {
      {[](CommandSender& s) { s.SendStartStop(pulse::protocol::kStartKind); }, "F0 2F 01 31 51",
       "开始采样指令已发送", "开始采样指令发送失败"},
      {[](CommandSender& s) { s.SendStartStop(pulse::protocol::kStopKind); }, "F0 2F 01 32 52",
       "停止采样指令已发送", "停止采样指令发送失败"},
      {[](CommandSender& s) { s.SendReadZeroValues(); }, "F0 2F 01 33 53", "读取零点值指令已发送",
       "读取零点值指令发送失败"},
      {[](CommandSender& s) { s.SendSetFrequency(200); }, "F0 2F 02 33 C8 1C", "设置频率指令已发送",
       "设置频率指令发送失败"},
      {[](CommandSender& s) { s.SendZero(); }, "F0 2F 01 35 55", "清零指令已发送",
       "清零指令发送失败"},
      {[](CommandSender& s) { s.SendReadSerialNumber(); }, "F0 2F 01 36 56", "发送成功",
       "发送失败"},
      {[](CommandSender& s) { s.SendReadProductionDate(); }, "F0 2F 01 37 57", "发送成功",
       "发送失败"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    link_.writes.clear();
    link_.throw_on_write = false;
    c.send(sender_);
    ASSERT_EQ(link_.writes.size(), 1u);
    EXPECT_EQ(pulse::protocol::FrameText(link_.writes[0].data(), link_.writes[0].size()), c.text);
    EXPECT_EQ(Panel(StatusPanel::kLastCommand), c.text);
    EXPECT_EQ(Panel(StatusPanel::kSendResult), c.sent);

    // A throwing link: failure text, the previous frame text stays.
    controls_.StatusBar1.Panel(StatusPanel::kLastCommand).text = "previous";
    link_.throw_on_write = true;
    c.send(sender_);
    EXPECT_EQ(Panel(StatusPanel::kSendResult), c.failed);
    EXPECT_EQ(Panel(StatusPanel::kLastCommand), "previous");
  }
}

TEST_F(CommandSenderTest, SetFrequencyChecksumWraps) {
  sender_.SendSetFrequency(5);
  sender_.SendSetFrequency(250);
  ASSERT_EQ(link_.writes.size(), 2u);
  EXPECT_EQ(link_.writes[0], (Bytes{0xF0, 0x2F, 0x02, 0x33, 0x05, 0x59}));
  EXPECT_EQ(link_.writes[1], (Bytes{0xF0, 0x2F, 0x02, 0x33, 0xFA, 0x4E}));
}

TEST_F(CommandSenderTest, RefusedWriteIsStillReportedAsSent) {
  link_.result = false;  // the link logs its own failures
  sender_.SendZero();
  EXPECT_EQ(Panel(StatusPanel::kSendResult), "清零指令已发送");
}

TEST_F(CommandSenderTest, ClosedLinkWritesNothingAndKeepsLastFrameText) {
  sender_.SendZero();
  state_.PortOpen = false;
  state_.ZeroPending = state_.RestartPending = true;
  state_.RestartTicks = 4;
  sender_.SendStartStop(pulse::protocol::kStartKind);
  EXPECT_EQ(Panel(StatusPanel::kSendResult), "串口未打开");
  EXPECT_EQ(Panel(StatusPanel::kLastCommand), "F0 2F 01 35 55");
  EXPECT_EQ(link_.writes.size(), 1u);
  // SendStartStop clears the zero and restart retries even so.
  EXPECT_FALSE(state_.ZeroPending);
  EXPECT_FALSE(state_.RestartPending);
  EXPECT_EQ(state_.RestartTicks, 0);
  for (auto send : {&CommandSender::SendZero, &CommandSender::SendReadZeroValues,
                    &CommandSender::SendReadSerialNumber, &CommandSender::SendReadProductionDate}) {
    controls_.StatusBar1.Panel(StatusPanel::kSendResult).text.clear();
    (sender_.*send)();
    EXPECT_EQ(Panel(StatusPanel::kSendResult), "串口未打开");
  }
  EXPECT_EQ(link_.writes.size(), 1u);
}

TEST_F(CommandSenderTest, StartStopOfAnotherKindOnlyClearsRetries) {
  state_.ZeroPending = state_.RestartPending = true;
  state_.RestartTicks = 7;
  controls_.StatusBar1.Panel(StatusPanel::kSendResult).text = "x";
  sender_.SendStartStop(3);
  EXPECT_TRUE(link_.writes.empty());
  EXPECT_EQ(Panel(StatusPanel::kSendResult), "x");
  EXPECT_FALSE(state_.ZeroPending);
  EXPECT_FALSE(state_.RestartPending);
  EXPECT_EQ(state_.RestartTicks, 0);
}

TEST_F(CommandSenderTest, ButtonOperationsSetPendingFlagsThenSend) {
  state_.ZeroTicks = 3;
  sender_.BeginZero();
  EXPECT_TRUE(state_.ZeroPending);
  EXPECT_EQ(state_.ZeroTicks, 0);
  EXPECT_EQ(link_.writes.back()[3], 0x35);

  state_.StopPending = true;
  sender_.BeginStart();
  EXPECT_FALSE(state_.StopPending);
  EXPECT_TRUE(state_.Sampling);
  EXPECT_FALSE(state_.ZeroPending);  // superseded by the start command
  EXPECT_EQ(link_.writes.back()[3], 0x31);

  state_.StopTicks = 9;
  sender_.BeginStop();
  EXPECT_TRUE(state_.StopPending);
  EXPECT_FALSE(state_.Sampling);
  EXPECT_EQ(state_.StopTicks, 0);
  EXPECT_EQ(link_.writes.back()[3], 0x32);

  state_.ZeroPending = true;
  state_.RestartPending = true;
  sender_.EndPendingOnClose();
  EXPECT_FALSE(state_.StopPending);
  EXPECT_FALSE(state_.ZeroPending);
  EXPECT_TRUE(state_.RestartPending);  // survives a close; the next open's stop clears it
}

}  // namespace
