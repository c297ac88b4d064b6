// Reconnection: when the open port goes away, the window waits for the same adapter to come
// back (its /dev/serial/by-id link where it has one, else the same device path), reopens it
// with the same settings and resumes what the operator had running. This part holds the
// switch, the wait and what to resume; TForm1 does the opening and sending.
#pragma once

#include "form/tr.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/device_watcher.h"
#include "form/controls.h"

namespace pulse::window {

inline constexpr const char* kReconnectCaption = form::TrNoop("ReconnectControl", "自动重连");
// The switch's key in section "串口" of comSet.ini, beside the port and baud rate.
inline constexpr const char* kReconnectKey = "reconnect";

class ReconnectControl {
 public:
  using Clock = std::chrono::steady_clock;
  // A time the device was away: from the hang-up to the reopen (none while still away).
  struct Outage {
    Clock::time_point lost_at;
    std::optional<Clock::time_point> back_at;
  };

  explicit ReconnectControl(
      std::unique_ptr<comm::IDeviceWatcher> watcher,
      std::function<Clock::time_point()> now = [] { return Clock::now(); });

  // The switch in the device box; on unless the settings file says "0".
  form::TCheckBox auto_reconnect;

  // Reads the switch from the settings file (absent file or key: on).
  void Load(const std::string& settings_path);
  // The operator flipped the switch (auto_reconnect.checked is already the new state): stores it in
  // the settings file, and switching off ends a wait. Returns an error text for the error
  // box, empty on success; the switch stays as flipped either way.
  [[nodiscard]] std::string SwitchClick();
  // For this run only, not stored (headless runs decide by their options).
  void Override(bool on) {
    auto_reconnect.checked = on;
    override_ = true;
  }

  [[nodiscard]] bool Enabled() const { return auto_reconnect.checked; }
  // True from a hang-up until the reopen or the end of the wait.
  [[nodiscard]] bool Waiting() const { return waiting_; }
  // Where the adapter is expected back: its by-id link, else the device path it had.
  [[nodiscard]] const std::string& WatchedPath() const { return path_; }

  // The link went away: waits for `path`; `on_back` runs on the main thread each time the
  // path may be back (the caller tries to open it, and calls WaitAgain when that fails).
  // `resume_sampling`: sampling ran and is to be restarted after the reopen. Without
  // `watch_now` the caller starts the watch later with WaitAgain.
  void BeginWait(const std::string& path, bool resume_sampling, std::function<void()> on_back,
                 bool watch_now = true);
  // True when the device went again within `within` of its last return: a node that lingers
  // after the unplug, or an adapter that keeps dropping out.
  [[nodiscard]] bool BackMoments(Clock::duration within) const;
  void WaitAgain();
  // The device is open again: the outage ends here.
  void Reopened();
  // True once after a reopen when sampling is to be restarted (then it is taken).
  [[nodiscard]] bool TakeResume();
  // Ends a wait without a reopen (关闭设备, the switch turned off, the window closing).
  void Cancel();

  [[nodiscard]] const std::vector<Outage>& Outages() const { return outages_; }
  [[nodiscard]] comm::IDeviceWatcher& Watcher() { return *watcher_; }

 private:
  std::unique_ptr<comm::IDeviceWatcher> watcher_;
  std::function<Clock::time_point()> now_;
  std::string settings_path_;
  std::string path_;
  std::function<void()> on_back_;
  std::vector<Outage> outages_;
  bool waiting_ = false;
  bool resume_sampling_ = false;
  bool resume_due_ = false;
  bool override_ = false;
};

}  // namespace pulse::window
