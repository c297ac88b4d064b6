#include "comm/serial_config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace pulse::comm;

namespace {

// The window's stored values for its instance.
TComm WindowInstance() {
  TComm comm;
  comm.SetBaudRate(256000);
  comm.SetXonLimit(1);
  comm.SetXoffLimit(1);
  comm.SetReadIntervalTimeout(1);
  return comm;
}

TEST(SerialConfig, LineStateIsBuiltFromThePropertiesKeepingOnlyEofAndEventChars) {
  pulse::comm::LineState device;
  device.ParityCheck = true;  // found set, rebuilt from the property
  device.abort_on_error = true;
  device.eof_char = 26;
  device.evt_char = 10;
  const pulse::comm::LineState state = WindowInstance().LineStateFor(device);
  EXPECT_EQ(state.BaudRate, 256000u);
  EXPECT_TRUE(state.binary);
  EXPECT_FALSE(state.ParityCheck);
  EXPECT_FALSE(state.abort_on_error);
  EXPECT_EQ(state.DtrControl, 1);
  EXPECT_EQ(state.RtsControl, 1);
  EXPECT_TRUE(state.TxContinueOnXoff);
  EXPECT_TRUE(state.out_x);
  EXPECT_TRUE(state.in_x);
  EXPECT_EQ(state.xon_lim, 1);
  EXPECT_EQ(state.xoff_lim, 1);
  EXPECT_EQ(state.ByteSize, 8);
  EXPECT_EQ(state.Parity, 0);
  EXPECT_EQ(state.StopBits, 0);
  EXPECT_EQ(state.XonChar, 17);
  EXPECT_EQ(state.XoffChar, 19);
  EXPECT_EQ(state.eof_char, 26);
  EXPECT_EQ(state.evt_char, 10);

  TComm other;
  other.SetDtrControl(TDtrControl::DtrHandshake);
  other.SetRtsControl(TRtsControl::RtsTransmissionAvailable);
  other.SetByteSize(TByteSize::_5);
  other.SetParity(TParity::Mark);
  other.SetStopBits(TStopBits::_2);
  other.SetReplaceWhenParityError(true);
  other.SetIgnoreNullChar(true);
  other.SetReplacedChar('?');
  other.SetOutx_CtsFlow(true);
  other.SetDsrSensitivity(true);
  const pulse::comm::LineState changed = other.LineStateFor(device);
  EXPECT_EQ(changed.DtrControl, 2);
  EXPECT_EQ(changed.RtsControl, 3);
  EXPECT_EQ(changed.ByteSize, 5);
  EXPECT_EQ(changed.Parity, 3);
  EXPECT_EQ(changed.StopBits, 2);
  EXPECT_TRUE(changed.error_char);
  EXPECT_TRUE(changed.null);
  EXPECT_EQ(changed.error_char_value, '?');
  EXPECT_TRUE(changed.outx_cts_flow);
  EXPECT_FALSE(changed.outx_dsr_flow);
  EXPECT_TRUE(changed.DsrSensitivity);
  other.SetDtrControl(TDtrControl::DtrDisable);
  other.SetRtsControl(TRtsControl::RtsHandshake);
  EXPECT_EQ(other.LineStateFor(device).DtrControl, 0);
  EXPECT_EQ(other.LineStateFor(device).RtsControl, 2);
}

TEST(SerialConfig, TimeoutsFollowThePropertiesInOrder) {
  TComm comm;
  comm.SetReadIntervalTimeout(7);
  comm.SetReadTotalTimeoutMultiplier(1);
  comm.SetReadTotalTimeoutConstant(2);
  comm.SetWriteTotalTimeoutMultiplier(3);
  comm.SetWriteTotalTimeoutConstant(4);
  EXPECT_EQ(comm.Timeouts(), (pulse::comm::CommTimeouts{7, 1, 2, 3, 4}));
  // The window sets only the interval; the totals keep their defaults: no total time-out.
  EXPECT_EQ(WindowInstance().Timeouts(), (pulse::comm::CommTimeouts{1, 0, 0, 0, 0}));
}

TEST(SerialConfig, DispatchesItsFiveMessages) {
  TComm comm;
  std::vector<std::string> calls;
  comm.OnReceiveData = [&](TComm* sender, const uint8_t* buffer, uint16_t length) {
    EXPECT_EQ(sender, &comm);
    calls.push_back("data " + std::string(reinterpret_cast<const char*>(buffer), length));
  };
  comm.OnReceiveError = [&](TComm*, uint32_t mask) {
    calls.push_back("error " + std::to_string(mask));
  };
  comm.OnModemStateChange = [&](TComm*, uint32_t event) {
    calls.push_back("modem " + std::to_string(event));
  };
  comm.OnRequestHangup = [&](TComm*) { calls.push_back("hangup"); };
  comm.OnSendDataEmpty = [&](TComm*) { calls.push_back("empty"); };

  auto message = [](uint32_t msg, uint32_t count, uint32_t value) {
    pulse::comm::Notification n;
    n.msg = msg;
    n.count = count;
    n.value = value;
    return n;
  };
  pulse::comm::Notification data = message(pulse::comm::kMsgCommReceiveData, 0x10003, 0);
  data.block.reset(new uint8_t[4]{'a', 'b', 'c', 0});
  comm.WindowProc(data);
  EXPECT_EQ(data.block, nullptr);  // freed after the handler
  for (auto [msg, value] : std::vector<std::pair<uint32_t, uint32_t>>{
           {1526, 8}, {1527, 0}, {1528, 0x20}, {1529, 0}, {1530, 0}, {1035, 0}}) {
    pulse::comm::Notification n = message(msg, 0, value);
    comm.WindowProc(n);
  }
  EXPECT_EQ(calls,
            (std::vector<std::string>{"data abc", "error 8", "hangup", "modem 32", "empty"}));

  // Without handlers nothing is called and the block is still freed.
  TComm bare;
  pulse::comm::Notification orphan = message(pulse::comm::kMsgCommReceiveData, 1, 0);
  orphan.block.reset(new uint8_t[2]{'x', 0});
  bare.WindowProc(orphan);
  EXPECT_EQ(orphan.block, nullptr);
}

TEST(SerialConfig, SettersStoreOnlyDifferentValues) {
  TComm comm;
  comm.SetCommName("COM5");
  comm.SetCommName("COM5");
  EXPECT_EQ(comm.CommName(), "COM5");
  comm.SetXonChar(0x11);
  EXPECT_EQ(comm.XonChar(), 0x11);
  comm.SetParityCheck(true);
  EXPECT_TRUE(comm.LineStateFor({}).ParityCheck);
}

}  // namespace
