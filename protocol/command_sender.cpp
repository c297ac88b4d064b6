#include "protocol/command_sender.h"

#include <string>
#include <utility>

namespace pulse::protocol {

void CommandSender::Send(const CommandFrame& frame, const char* sent_text,
                         const char* failed_text) noexcept {
  auto& bar = controls_.StatusBar1;
  try {
    if (!state_.PortOpen) {
      bar.Panel(form::StatusPanel::kSendResult).text = "串口未打开";
      return;
    }
    // The result is deliberately not examined: the link logs its own failures.
    link_.WriteData(frame.data(), static_cast<uint32_t>(frame.size));
    std::string text = FrameText(frame);
    std::string result = sent_text;
    bar.Panel(form::StatusPanel::kSendResult).text.swap(result);
    bar.Panel(form::StatusPanel::kLastCommand).text.swap(text);
  } catch (...) {
    try {
      bar.Panel(form::StatusPanel::kSendResult).text = failed_text;
    } catch (...) {
      // Out of memory for a status text: nothing sensible is left to show.
    }
  }
}

void CommandSender::SendStartStop(int32_t kind) noexcept {
  state_.ZeroPending = false;
  state_.RestartPending = false;
  state_.RestartTicks = 0;
  if (kind == kStartKind) {
    Send(BuildCommand(kCodeStart), "开始采样指令已发送", "开始采样指令发送失败");
  } else if (kind == kStopKind) {
    Send(BuildCommand(kCodeStop), "停止采样指令已发送", "停止采样指令发送失败");
  }
}

void CommandSender::SendZero() noexcept {
  Send(BuildCommand(kCodeZero), "清零指令已发送", "清零指令发送失败");
}

void CommandSender::SendReadZeroValues() noexcept {
  Send(BuildCommand(kCodeZeroValues), "读取零点值指令已发送", "读取零点值指令发送失败");
}

void CommandSender::SendSetFrequency(uint8_t frequency) noexcept {
  Send(BuildSetFrequency(frequency), "设置频率指令已发送", "设置频率指令发送失败");
}

void CommandSender::SendReadSerialNumber() noexcept {
  Send(BuildCommand(kCodeSerialNumber), "发送成功", "发送失败");
}

void CommandSender::SendReadProductionDate() noexcept {
  Send(BuildCommand(kCodeProductionDate), "发送成功", "发送失败");
}

void CommandSender::BeginZero() noexcept {
  state_.ZeroPending = true;
  state_.ZeroTicks = 0;
  SendZero();
}

void CommandSender::BeginStart() noexcept {
  state_.StopPending = false;
  state_.Sampling = true;
  SendStartStop(kStartKind);
}

void CommandSender::BeginStop() noexcept {
  state_.StopTicks = 0;
  state_.StopPending = true;
  state_.Sampling = false;
  SendStartStop(kStopKind);
}

void CommandSender::EndPendingOnClose() noexcept {
  state_.StopPending = false;
  state_.ZeroPending = false;
}

}  // namespace pulse::protocol
