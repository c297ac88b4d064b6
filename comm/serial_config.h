// TComm: the second, fully configurable serial component. The window carries one but never
// opens it, so what matters is its property model, how the properties map onto the port's
// line state and time-outs, and its event dispatch.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "comm/main_thread_queue.h"

namespace pulse::comm {

// The port's line-state record. Control codes: DTR 0 disable, 1 enable, 2 handshake; RTS
// 0 disable, 1 enable, 2 handshake, 3 toggle.
struct LineState {
  uint32_t BaudRate = 0;
  bool binary = false;
  bool ParityCheck = false;
  bool outx_cts_flow = false;
  bool outx_dsr_flow = false;
  uint8_t DtrControl = 0;
  bool DsrSensitivity = false;
  bool TxContinueOnXoff = false;
  bool out_x = false;
  bool in_x = false;
  bool error_char = false;
  bool null = false;
  uint8_t RtsControl = 0;
  bool abort_on_error = false;
  uint16_t xon_lim = 0;
  uint16_t xoff_lim = 0;
  uint8_t ByteSize = 0;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char error_char_value = 0;
  char eof_char = 0;
  char evt_char = 0;

  bool operator==(const LineState&) const = default;
};

struct CommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

// Message numbers a running link of this component would post (user base plus 501..505).
inline constexpr uint32_t kMsgCommReceiveData = kUserMessageBase + 501;
inline constexpr uint32_t kMsgCommReceiveError = kUserMessageBase + 502;
inline constexpr uint32_t kMsgCommRequestHangup = kUserMessageBase + 503;
inline constexpr uint32_t kMsgCommModemStateChange = kUserMessageBase + 504;
inline constexpr uint32_t kMsgCommSendDataEmpty = kUserMessageBase + 505;

enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };

class TComm {
 public:
  using TReceiveDataEvent =
      std::function<void(TComm* Sender, const uint8_t* Buffer, uint16_t BufferLength)>;
  using TReceiveErrorEvent = std::function<void(TComm* Sender, uint32_t EventMask)>;
  using TModemStateChangeEvent = std::function<void(TComm* Sender, uint32_t ModemEvent)>;
  using TNotifyEvent = std::function<void(TComm* Sender)>;

  TComm() = default;

#define PULSE_COMM_PROPERTY(Type, Name, Initial, Kind) \
 public:                                               \
  Type Name() const {                                  \
    return Name##_;                                    \
  }                                                    \
  void Set##Name(Type value) {                         \
    if (value == Name##_) return;                      \
    Name##_ = value;                                   \
    Apply(Kind);                                       \
  }                                                    \
                                                       \
 private:                                              \
  Type Name##_ = Initial;

  PULSE_COMM_PROPERTY(std::string, CommName, "COM2", Applies::kNothing)
  PULSE_COMM_PROPERTY(uint32_t, BaudRate, 9600, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, ParityCheck, false, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, Outx_CtsFlow, false, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, Outx_DsrFlow, false, Applies::kLineState)
  PULSE_COMM_PROPERTY(TDtrControl, DtrControl, TDtrControl::DtrEnable, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, DsrSensitivity, false, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, TxContinueOnXoff, true, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, Outx_XonXoffFlow, true, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, Inx_XonXoffFlow, true, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, ReplaceWhenParityError, false, Applies::kLineState)
  PULSE_COMM_PROPERTY(bool, IgnoreNullChar, false, Applies::kLineState)
  PULSE_COMM_PROPERTY(TRtsControl, RtsControl, TRtsControl::RtsEnable, Applies::kLineState)
  PULSE_COMM_PROPERTY(uint16_t, XonLimit, 500, Applies::kLineState)
  PULSE_COMM_PROPERTY(uint16_t, XoffLimit, 500, Applies::kLineState)
  PULSE_COMM_PROPERTY(TByteSize, ByteSize, TByteSize::_8, Applies::kLineState)
  PULSE_COMM_PROPERTY(TParity, Parity, TParity::None, Applies::kNothing)
  PULSE_COMM_PROPERTY(TStopBits, StopBits, TStopBits::_1, Applies::kLineState)
  PULSE_COMM_PROPERTY(char, XonChar, 17, Applies::kLineState)
  PULSE_COMM_PROPERTY(char, XoffChar, 19, Applies::kLineState)
  PULSE_COMM_PROPERTY(char, ReplacedChar, 0, Applies::kLineState)
  PULSE_COMM_PROPERTY(uint32_t, ReadIntervalTimeout, 2, Applies::kTimeouts)
  PULSE_COMM_PROPERTY(uint32_t, ReadTotalTimeoutMultiplier, 0, Applies::kTimeouts)
  PULSE_COMM_PROPERTY(uint32_t, ReadTotalTimeoutConstant, 0, Applies::kTimeouts)
  PULSE_COMM_PROPERTY(uint32_t, WriteTotalTimeoutMultiplier, 0, Applies::kTimeouts)
  PULSE_COMM_PROPERTY(uint32_t, WriteTotalTimeoutConstant, 0, Applies::kTimeouts)
#undef PULSE_COMM_PROPERTY

 public:
  TReceiveDataEvent OnReceiveData;
  TReceiveErrorEvent OnReceiveError;
  TModemStateChangeEvent OnModemStateChange;
  TNotifyEvent OnRequestHangup;
  TNotifyEvent OnSendDataEmpty;

  // The line state to write back over the port's `current` one: the flag word is built from
  // the properties; the end-of-file and event characters keep the device's values.
  [[nodiscard]] comm::LineState LineStateFor(const comm::LineState& current) const;
  [[nodiscard]] comm::CommTimeouts Timeouts() const;

  // The notification window's procedure for messages 1525 to 1529; others are ignored.
  void WindowProc(comm::Notification& message);

  [[nodiscard]] bool HandleHeld() const {
    return false;
  }  // this component is never opened
  [[nodiscard]] bool SendDataEmpty() const {
    return send_data_empty_;
  }

 private:
  enum class Applies { kNothing, kLineState, kTimeouts };
  // A held port would get the line state or the time-outs written again; this component
  // holds none, so a setter only stores.
  void Apply(Applies) {}

  bool send_data_empty_ = true;
};

}  // namespace pulse::comm
