#include "window/reconnect_control.h"

#include "window/settings_file.h"

namespace pulse::window {
namespace {

constexpr const char* kOn = "1";
constexpr const char* kOff = "0";

}  // namespace

ReconnectControl::ReconnectControl(std::unique_ptr<comm::IDeviceWatcher> watcher,
                                   std::function<Clock::time_point()> now)
    : watcher_(std::move(watcher)), now_(std::move(now)) {
  auto_reconnect.Caption = form::Tr("ReconnectControl", kReconnectCaption);
  auto_reconnect.checked = true;
  auto_reconnect.hint =
      form::Tr("ReconnectControl", "设备断开后等待它重新连接, 自动打开并继续采样");
}

void ReconnectControl::Load(const std::string& settings_path) {
  settings_path_ = settings_path;
  if (override_) return;
  const IniFile ini = IniFile::Load(settings_path);
  auto_reconnect.checked = ini.Value(kPortSection, kReconnectKey, kOn) != kOff;
}

std::string ReconnectControl::SwitchClick() {
  if (!auto_reconnect.checked) Cancel();
  if (override_ || settings_path_.empty()) return {};
  try {
    std::string problem;
    IniFile ini = IniFile::Load(settings_path_, &problem);
    if (!problem.empty()) {
      return "Settings not saved: \"" + settings_path_ + "\" " + problem + "; it was left as it is";
    }
    ini.SetValue(kPortSection, kReconnectKey, auto_reconnect.checked ? kOn : kOff);
    ini.Save(settings_path_);
  } catch (const SettingsError& e) {
    return e.what();
  }
  return {};
}

bool ReconnectControl::BackMoments(Clock::duration within) const {
  return !outages_.empty() && outages_.back().back_at && now_() - *outages_.back().back_at < within;
}

void ReconnectControl::BeginWait(const std::string& path, bool resume_sampling,
                                 std::function<void()> on_back, bool watch_now) {
  path_ = path;
  resume_sampling_ = resume_sampling;
  resume_due_ = false;
  on_back_ = std::move(on_back);
  waiting_ = true;
  outages_.push_back({now_(), std::nullopt});
  if (watch_now) WaitAgain();
}

void ReconnectControl::WaitAgain() {
  if (!waiting_) return;
  watcher_->Watch(path_, [this] {
    // A copy: the reopen it runs may end the wait.
    std::function<void()> on_back = on_back_;
    if (waiting_ && on_back) on_back();
  });
}

void ReconnectControl::Reopened() {
  if (!waiting_) return;
  waiting_ = false;
  watcher_->Cancel();
  if (!outages_.empty() && !outages_.back().back_at) outages_.back().back_at = now_();
  resume_due_ = resume_sampling_;
  resume_sampling_ = false;
}

bool ReconnectControl::TakeResume() {
  const bool due = resume_due_;
  resume_due_ = false;
  return due;
}

void ReconnectControl::Cancel() {
  watcher_->Cancel();
  waiting_ = false;
  resume_sampling_ = false;
  resume_due_ = false;
  on_back_ = nullptr;
}

}  // namespace pulse::window
