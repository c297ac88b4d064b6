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
  state.Binary = true;
  state.ParityCheck = ParityCheck_;
  state.OutxCtsFlow = Outx_CtsFlow_;
  state.OutxDsrFlow = Outx_DsrFlow_;
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
  state.OutX = Outx_XonXoffFlow_;
  state.InX = Inx_XonXoffFlow_;
  state.ErrorChar = ReplaceWhenParityError_;
  state.Null = IgnoreNullChar_;
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
  state.AbortOnError = false;
  state.XonLim = XonLimit_;
  state.XoffLim = XoffLimit_;
  state.ByteSize = static_cast<uint8_t>(static_cast<int>(ByteSize_) + kSmallestByteSize);
  state.Parity = static_cast<uint8_t>(Parity_);
  state.StopBits = static_cast<uint8_t>(StopBits_);
  state.XonChar = XonChar_;
  state.XoffChar = XoffChar_;
  state.ErrorCharValue = ReplacedChar_;
  return state;
}

comm::CommTimeouts TComm::Timeouts() const {
  return comm::CommTimeouts{ReadIntervalTimeout_, ReadTotalTimeoutMultiplier_,
                            ReadTotalTimeoutConstant_, WriteTotalTimeoutMultiplier_,
                            WriteTotalTimeoutConstant_};
}

void TComm::WindowProc(comm::Notification& message) {
  switch (message.Msg) {
    case comm::kMsgCommReceiveData:
      if (OnReceiveData)
        OnReceiveData(this, message.Block.get(), static_cast<uint16_t>(message.Count & 0xFFFF));
      message.Block.reset();
      break;
    case comm::kMsgCommReceiveError:
      if (OnReceiveError) OnReceiveError(this, message.Value);
      break;
    case comm::kMsgCommRequestHangup:
      if (OnRequestHangup) OnRequestHangup(this);
      break;
    case comm::kMsgCommModemStateChange:
      if (OnModemStateChange) OnModemStateChange(this, message.Value);
      break;
    case comm::kMsgCommSendDataEmpty:
      if (OnSendDataEmpty) OnSendDataEmpty(this);
      break;
    default:
      break;
  }
}

}  // namespace pulse::comm
