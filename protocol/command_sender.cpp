#include "protocol/command_sender.h"

#include <string>
#include <utility>

#include "form/tr.h"

namespace pulse::protocol {

void CommandSender::Send(const CommandFrame& frame, const char* sent_text,
                         const char* failed_text) noexcept {
  auto& bar = controls_.StatusBar1;
  try {
    if (!state_.PortOpen) {
      bar.Panel(form::StatusPanel::kSendResult).text = form::Tr("CommandSender", "串口未打开");
      return;
    }
    // The result is deliberately not examined: the link logs its own failures.
    (void)link_.WriteData(frame.data(), static_cast<uint32_t>(frame.size));
    std::string text = FrameText(frame);
    // The texts come marked; they are looked up here, where they are shown.
    std::string result = form::Tr("CommandSender", sent_text);
    bar.Panel(form::StatusPanel::kSendResult).text.swap(result);
    bar.Panel(form::StatusPanel::kLastCommand).text.swap(text);
  } catch (...) {
    try {
      bar.Panel(form::StatusPanel::kSendResult).text = form::Tr("CommandSender", failed_text);
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
    Send(BuildCommand(kCodeStart), form::TrNoop("CommandSender", "开始采样指令已发送"),
         form::TrNoop("CommandSender", "开始采样指令发送失败"));
  } else if (kind == kStopKind) {
    Send(BuildCommand(kCodeStop), form::TrNoop("CommandSender", "停止采样指令已发送"),
         form::TrNoop("CommandSender", "停止采样指令发送失败"));
  }
}

void CommandSender::SendZero() noexcept {
  Send(BuildCommand(kCodeZero), form::TrNoop("CommandSender", "清零指令已发送"),
       form::TrNoop("CommandSender", "清零指令发送失败"));
}

void CommandSender::SendReadZeroValues() noexcept {
  Send(BuildCommand(kCodeZeroValues), form::TrNoop("CommandSender", "读取零点值指令已发送"),
       form::TrNoop("CommandSender", "读取零点值指令发送失败"));
}

void CommandSender::SendSetFrequency(uint8_t frequency) noexcept {
  Send(BuildSetFrequency(frequency), form::TrNoop("CommandSender", "设置频率指令已发送"),
       form::TrNoop("CommandSender", "设置频率指令发送失败"));
}

void CommandSender::SendReadSerialNumber() noexcept {
  Send(BuildCommand(kCodeSerialNumber), form::TrNoop("CommandSender", "发送成功"),
       form::TrNoop("CommandSender", "发送失败"));
}

void CommandSender::SendReadProductionDate() noexcept {
  Send(BuildCommand(kCodeProductionDate), form::TrNoop("CommandSender", "发送成功"),
       form::TrNoop("CommandSender", "发送失败"));
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
