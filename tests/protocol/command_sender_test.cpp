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
  CommandSenderTest() { state.PortOpen = true; }
  const std::string& Panel(size_t i) const { return controls.StatusBar1.Panels[i].Text; }

  TFormState state;
  TMainControls controls;
  FakeLink link;
  CommandSender sender{state, controls, link};
};

struct CommandCase {
  void (*send)(CommandSender&);
  const char* text;
  const char* sent;
  const char* failed;
};

TEST_F(CommandSenderTest, EveryCommandFrameAndItsStatusTexts) {
  const CommandCase cases[] = {
      {[](CommandSender& s) { s.SendStartStop(1); }, "F0 2F 01 31 51", "开始采样指令已发送",
       "开始采样指令发送失败"},
      {[](CommandSender& s) { s.SendStartStop(2); }, "F0 2F 01 32 52", "停止采样指令已发送",
       "停止采样指令发送失败"},
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
    link.writes.clear();
    link.throw_on_write = false;
    c.send(sender);
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(pulse::protocol::FrameText(link.writes[0].data(), link.writes[0].size()), c.text);
    EXPECT_EQ(Panel(1), c.text);
    EXPECT_EQ(Panel(2), c.sent);

    // A throwing link: failure text, the previous frame text stays.
    controls.StatusBar1.Panels[1].Text = "previous";
    link.throw_on_write = true;
    c.send(sender);
    EXPECT_EQ(Panel(2), c.failed);
    EXPECT_EQ(Panel(1), "previous");
  }
}

TEST_F(CommandSenderTest, SetFrequencyChecksumWraps) {
  sender.SendSetFrequency(5);
  sender.SendSetFrequency(250);
  ASSERT_EQ(link.writes.size(), 2u);
  EXPECT_EQ(link.writes[0], (Bytes{0xF0, 0x2F, 0x02, 0x33, 0x05, 0x59}));
  EXPECT_EQ(link.writes[1], (Bytes{0xF0, 0x2F, 0x02, 0x33, 0xFA, 0x4E}));
}

TEST_F(CommandSenderTest, RefusedWriteIsStillReportedAsSent) {
  link.result = false;  // the link logs its own failures
  sender.SendZero();
  EXPECT_EQ(Panel(2), "清零指令已发送");
}

TEST_F(CommandSenderTest, ClosedLinkWritesNothingAndKeepsLastFrameText) {
  sender.SendZero();
  state.PortOpen = false;
  state.ZeroPending = state.RestartPending = true;
  state.RestartTicks = 4;
  sender.SendStartStop(1);
  EXPECT_EQ(Panel(2), "串口未打开");
  EXPECT_EQ(Panel(1), "F0 2F 01 35 55");
  EXPECT_EQ(link.writes.size(), 1u);
  // SendStartStop clears the zero and restart retries even so.
  EXPECT_FALSE(state.ZeroPending);
  EXPECT_FALSE(state.RestartPending);
  EXPECT_EQ(state.RestartTicks, 0);
  for (auto send : {&CommandSender::SendZero, &CommandSender::SendReadZeroValues,
                    &CommandSender::SendReadSerialNumber, &CommandSender::SendReadProductionDate}) {
    controls.StatusBar1.Panels[2].Text.clear();
    (sender.*send)();
    EXPECT_EQ(Panel(2), "串口未打开");
  }
  EXPECT_EQ(link.writes.size(), 1u);
}

TEST_F(CommandSenderTest, StartStopOfAnotherKindOnlyClearsRetries) {
  state.ZeroPending = state.RestartPending = true;
  state.RestartTicks = 7;
  controls.StatusBar1.Panels[2].Text = "x";
  sender.SendStartStop(3);
  EXPECT_TRUE(link.writes.empty());
  EXPECT_EQ(Panel(2), "x");
  EXPECT_FALSE(state.ZeroPending);
  EXPECT_FALSE(state.RestartPending);
  EXPECT_EQ(state.RestartTicks, 0);
}

TEST_F(CommandSenderTest, ButtonOperationsSetPendingFlagsThenSend) {
  state.ZeroTicks = 3;
  sender.BeginZero();
  EXPECT_TRUE(state.ZeroPending);
  EXPECT_EQ(state.ZeroTicks, 0);
  EXPECT_EQ(link.writes.back()[3], 0x35);

  state.StopPending = true;
  sender.BeginStart();
  EXPECT_FALSE(state.StopPending);
  EXPECT_TRUE(state.Sampling);
  EXPECT_FALSE(state.ZeroPending);  // superseded by the start command
  EXPECT_EQ(link.writes.back()[3], 0x31);

  state.StopTicks = 9;
  sender.BeginStop();
  EXPECT_TRUE(state.StopPending);
  EXPECT_FALSE(state.Sampling);
  EXPECT_EQ(state.StopTicks, 0);
  EXPECT_EQ(link.writes.back()[3], 0x32);

  state.ZeroPending = true;
  state.RestartPending = true;
  sender.EndPendingOnClose();
  EXPECT_FALSE(state.StopPending);
  EXPECT_FALSE(state.ZeroPending);
  EXPECT_TRUE(state.RestartPending);  // survives a close; the next open's stop clears it
}

}  // namespace
