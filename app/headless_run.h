// A scripted session without an operator: open the device, wait for the stop
// that follows every open, start sampling (recording if asked), sample for a
// while, stop and wait for the acknowledgement, close, and finish.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/main_form.h"

namespace pulse::app {

class HeadlessRun : public QObject {
  Q_OBJECT

 public:
  // How often the script looks at the window's state.
  static constexpr int kPollMs = 20;
  // A device that never acknowledges the stop is given up on after this.
  static constexpr int kStopAckTimeoutMs = 5000;
  // The stop after an open goes out 500 ms after it; allow for a loaded machine.
  static constexpr int kOpenTimeoutMs = 10000;
  // The start is sent once, never repeated: a record run that has seen no
  // data frame by then has nothing to record and fails.
  static constexpr int kFirstDataTimeoutMs = 5000;
  // A session asks the device for its zero values, serial number and
  // production date for the metadata; a device that does not answer them
  // within this time is recorded without them.
  static constexpr int kDeviceInfoTimeoutMs = 1000;

  HeadlessRun(pulse::ui::MainForm& form, std::string port, double seconds)
      : form_(form), port_(std::move(port)), seconds_(seconds) {}

  bool record = false;
  // Wait up to reconnect_timeout_s for an unplugged device to return, and go on; the gaps
  // are reported at the end. Off: a device that goes away ends the run (exit code 1).
  bool reconnect = false;
  double reconnect_timeout_s = 30;
  // Record a session into this file (with its metadata) instead of the 20 s record.
  std::string session_file;
  // Replay this record file instead of sampling from the device.
  std::string replay_file;
  // Runs once sampling is over (and stopped, when recording); returns the exit code.
  std::function<int()> on_done;
  // on_done runs at the end of the sampling time, before the stop (a picture of a
  // session while it runs).
  bool done_before_stop = false;

  void Start();
  [[nodiscard]] int ExitCode() const { return exit_code_; }

 private:
  enum class Step { kWaitStopAfterOpen, kReadingDeviceInfo, kStarting, kSampling, kStopping };
  void Poll();
  [[nodiscard]] bool Capturing() const { return record || !session_file.empty(); }
  // Starts sampling (after the session, when there is one); false after a failure.
  [[nodiscard]] bool StartSampling();
  void Finish(int code);
  // False when the device is away and the run should wait for it (reconnect); true when the
  // poll may go on.
  [[nodiscard]] bool DeviceThere();
  // The run's clocks less the time the device was away.
  [[nodiscard]] qint64 Elapsed() const { return clock_.elapsed() - away_total_ms_; }
  void RestartClock() {
    clock_.restart();
    away_total_ms_ = 0;
  }
  void ReportGaps();
  [[nodiscard]] uint64_t DataFrames();  // data frames parsed so far, good or bad

  pulse::ui::MainForm& form_;
  std::string port_;
  double seconds_;
  Step step_ = Step::kWaitStopAfterOpen;
  QTimer poll_;
  QElapsedTimer clock_;
  int exit_code_ = 1;
  uint64_t frames_before_start_ = 0;
  int done_code_ = 0;  // on_done's result when it ran before the stop
  bool away_ = false;   // the device is gone and the window waits for it
  QElapsedTimer away_clock_;
  qint64 away_total_ms_ = 0;
  std::chrono::steady_clock::time_point run_start_ = std::chrono::steady_clock::now();
};

}  // namespace pulse::app
