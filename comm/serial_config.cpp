#include "comm/serial_config.h"

namespace pulse::comm {

namespace {

// DTR and RTS control codes of the line-state record.
constexpr uint8_t kDtrDisable = 0, kDtrEnable = 1, kDtrHandshake = 2;
constexpr uint8_t kRtsDisable = 0, kRtsEnable = 1, kRtsHandshake = 2, kRtsToggle = 3;
// TByteSize's ordinal 0 stands for 5 data bits.
constexpr uint8_t kSmallestByteSize = 5;

}  // namespace

comm::LineState TComm::LineStateFor(const comm::LineState& current) const {
  comm::LineState state = current;
  state.BaudRate = BaudRate_;
  state.binary = true;
  state.ParityCheck = ParityCheck_;
  state.outx_cts_flow = Outx_CtsFlow_;
  state.outx_dsr_flow = Outx_DsrFlow_;
  switch (DtrControl_) {
    case TDtrControl::DtrEnable:
      state.DtrControl = kDtrEnable;
      break;
    case TDtrControl::DtrHandshake:
      state.DtrControl = kDtrHandshake;
      break;
    case TDtrControl::DtrDisable:
      state.DtrControl = kDtrDisable;
      break;
  }
  state.DsrSensitivity = DsrSensitivity_;
  state.TxContinueOnXoff = TxContinueOnXoff_;
  state.out_x = Outx_XonXoffFlow_;
  state.in_x = Inx_XonXoffFlow_;
  state.error_char = ReplaceWhenParityError_;
  state.null = IgnoreNullChar_;
  switch (RtsControl_) {
    case TRtsControl::RtsEnable:
      state.RtsControl = kRtsEnable;
      break;
    case TRtsControl::RtsHandshake:
      state.RtsControl = kRtsHandshake;
      break;
    case TRtsControl::RtsTransmissionAvailable:
      state.RtsControl = kRtsToggle;
      break;
    case TRtsControl::RtsDisable:
      state.RtsControl = kRtsDisable;
      break;
  }
  state.abort_on_error = false;
  state.xon_lim = XonLimit_;
  state.xoff_lim = XoffLimit_;
  state.ByteSize = static_cast<uint8_t>(static_cast<int>(ByteSize_) + kSmallestByteSize);
  state.Parity = static_cast<uint8_t>(Parity_);
  state.StopBits = static_cast<uint8_t>(StopBits_);
  state.XonChar = XonChar_;
  state.XoffChar = XoffChar_;
  state.error_char_value = ReplacedChar_;
  return state;
}

comm::CommTimeouts TComm::Timeouts() const {
  return comm::CommTimeouts{ReadIntervalTimeout_, ReadTotalTimeoutMultiplier_,
                            ReadTotalTimeoutConstant_, WriteTotalTimeoutMultiplier_,
                            WriteTotalTimeoutConstant_};
}

void TComm::WindowProc(comm::Notification& message) {
  switch (message.msg) {
    case comm::kMsgCommReceiveData:
      if (OnReceiveData)
        OnReceiveData(this, message.block.get(), static_cast<uint16_t>(message.count & 0xFFFF));
      message.block.reset();
      break;
    case comm::kMsgCommReceiveError:
      if (OnReceiveError) OnReceiveError(this, message.value);
      break;
    case comm::kMsgCommRequestHangup:
      if (OnRequestHangup) OnRequestHangup(this);
      break;
    case comm::kMsgCommModemStateChange:
      if (OnModemStateChange) OnModemStateChange(this, message.value);
      break;
    case comm::kMsgCommSendDataEmpty:
      if (OnSendDataEmpty) OnSendDataEmpty(this);
      break;
    default:
      break;
  }
}

}  // namespace pulse::comm
