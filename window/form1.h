// TForm1: the main window's logic without widgets. It owns the run-time
// state, the control models, the device link and the parts that act on them
// (command senders and retries, the frame parser and the handler of its
// replies, the views, the recorder), and reacts to the operator's clicks and
// the timer. Everything that needs the desktop goes through IFormHost.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/comm32.h"
#include "comm/device_watcher.h"
#include "comm/main_thread_queue.h"
#include "comm/serial_config.h"
#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/command_sender.h"
#include "protocol/device_link.h"
#include "protocol/frame_parser.h"
#include "protocol/retry_rules.h"
#include "window/export_control.h"
#include "window/live_analysis.h"
#include "window/reconnect_control.h"
#include "window/player_control.h"
#include "window/recording.h"
#include "window/reply_handler.h"
#include "window/session_control.h"
#include "window/view_cursors.h"
#include "window/view_plot.h"
#include "window/views.h"

namespace pulse::window {

// The desktop effects of the window: boxes, dialogs, the timer, timed steps.
class IFormHost {
 public:
  virtual ~IFormHost() = default;
  // A modal message box with a fixed operator text.
  virtual void ShowMessage(const std::string& text) = 0;
  // The application's error box for failures the window does not handle.
  virtual void ShowError(const std::string& text) = 0;
  // File dialogs; nothing when cancelled.
  [[nodiscard]] virtual std::optional<std::string> AskSaveFileName(const std::string& default_name,
                                                     const std::string& filter) = 0;
  [[nodiscard]] virtual std::optional<std::string> AskOpenFileName(const std::string& filter) = 0;
  // The save dialog of an export: a host that knows which filter was chosen
  // gives the name that filter's extension when it has none.
  [[nodiscard]] virtual std::optional<std::string> AskExportFileName(const std::string& default_name,
                                                       const std::string& filter) {
    return AskSaveFileName(default_name, filter);
  }
  // Timer1's interval in milliseconds (the timer runs from creation).
  virtual void SetTimerInterval(int ms) = 0;
  // Runs `step` once on the main thread after `ms` milliseconds, unless the
  // window is gone by then.
  virtual void RunAfter(int ms, std::function<void()> step) = 0;
  // Closes the main window (which ends the program).
  virtual void CloseWindow() = 0;
};

// The link the command senders write through: the device's serial port.
class Comm32Link : public protocol::IDeviceLink {
 public:
  explicit Comm32Link(comm::TComm32& comm) : comm_(comm) {}
  [[nodiscard]] bool WriteData(const uint8_t* data, uint32_t size) override {
    return comm_.WriteData(data, size);
  }

 private:
  comm::TComm32& comm_;
};

struct FormOptions {
  std::string exe_dir;                     // program directory; empty: the running program's
  std::string settings_dir;                // where comSet.ini lives; empty: found from exe_dir
  std::vector<std::string> port_mappings;  // "COMn=PATH" entries, as on the command line
  // Written into the metadata of each session; empty: this build's version.
  std::string program_version;
  // Session writing; tests inject write failures here.
  records::SessionWriter::Options session_writer;
  // Source of the clock shown in the status bar.
  std::function<std::chrono::system_clock::time_point()> now = [] {
    return std::chrono::system_clock::now();
  };
  // What waits for an unplugged adapter to return; empty: udev, or a look once a second.
  std::function<std::unique_ptr<comm::IDeviceWatcher>(comm::IMainThreadQueue&)> make_watcher;
  // Set: reconnection on or off for this run, whatever comSet.ini says (headless runs).
  std::optional<bool> reconnect;
};

class TForm1 {
 public:
  // The window waits this long after an open before it stops the device.
  static constexpr int kStopAfterOpenMs = 500;
  // The exit waits this long for the stop command to leave before closing.
  static constexpr int kExitDrainMs = 100;
  // Ports offered in e_comm.
  static constexpr int kPortCount = 30;

  TForm1(IFormHost& host, comm::IMainThreadQueue& main_thread,
         std::array<IViewPlot*, WaveViews::kViewCount> plots, FormOptions options = {});
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  void FormCreate();
  void FormDestroy();

  void Bt_openClick();
  [[nodiscard]] bool OpenDevice();
  void CloseDevice();
  void bt_startClick();
  void Button2Click();   // zero
  void Button4Click();   // read zero values
  void Button6Click();   // sampling rate from Edit_Freq
  void Button7Click();   // production date
  void Button8Click();   // serial number
  void Button9Click();   // exit
  void Button20Click();  // save the record
  void Button18Click();  // load a record file
  void Button19Click();  // replay it
  // "会话记录" / "停止会话": starts a session into a file the operator
  // chooses, or ends the running one.
  void SessionClick();
  // Starts a session into `path` as given, without a dialog (headless runs).
  // Returns an error text, empty on success.
  [[nodiscard]] std::string StartSession(const std::string& path);
  // The export menu's entries: asks for the output and exports in the background.
  void ExportClick(ExportSource::Kind kind);
  void Timer1Timer();
  // e_comm's text changed: the hint tells which device that port is.
  void e_commChange();
  // The second serial component's receive event: nothing to do.
  void comm1ReceiveData(comm::TComm* Sender, const uint8_t* Buffer, uint16_t BufferLength);

  [[nodiscard]] form::TFormState& State() { return state_; }
  [[nodiscard]] form::TMainControls& Controls() { return controls_; }
  [[nodiscard]] WaveViews& Views() { return views_; }
  [[nodiscard]] comm::TComm32& Comm321() { return comm321_; }
  [[nodiscard]] comm::TComm& comm1() { return comm1_; }
  [[nodiscard]] protocol::FrameParser& Parser() { return parser_; }
  [[nodiscard]] ReplyHandler& Replies() { return replies_; }
  [[nodiscard]] RecordReplay& Recording() { return recording_; }
  [[nodiscard]] SessionControl& Session() { return session_; }
  [[nodiscard]] ExportControl& Export() { return export_; }
  // Pulse rate, quality and beat marks of the three channels.
  [[nodiscard]] LiveAnalysis& Analysis() { return analysis_; }
  // The "自动重连" switch and the wait for an unplugged adapter.
  [[nodiscard]] ReconnectControl& Reconnect() { return reconnect_; }
  // "自动重连" clicked: stores the switch; off ends a wait.
  void ReconnectClick();
  // The player over the file 载入 loaded, and the views' measurement cursors.
  [[nodiscard]] PlayerControl& Player() { return player_; }
  [[nodiscard]] ViewCursors& Cursors() { return cursors_; }
  [[nodiscard]] const std::string& SettingsPath() const { return settings_path_; }
  // True once the stop command that follows the last open has been sent;
  // until then the command buttons stay disabled.
  [[nodiscard]] bool StopAfterOpenSent() const { return stop_after_open_sent_; }
  // Timer1's current interval.
  [[nodiscard]] int TimerInterval() const { return timer_interval_; }
  // Device name for a port number: COMn below 10, //./COMn from 10 on.
  [[nodiscard]] static std::string DeviceName(int port_number);

 private:
  // The property values the two serial components are stored with.
  void ApplyStoredLinkSettings();
  void HandleHangup();
  // The adapter may be back: reopen it with the same settings, or wait on.
  void ReopenAfterHangup();
  // The next look for the adapter, a second from now.
  void LookAgainLater();
  // The link ends after a hang-up, without a wait for the device.
  void EndLinkAfterHangup();
  // From an open until the stop after it: command buttons off, clicks held. Returns the
  // open's number, for StopAfter.
  [[nodiscard]] uint64_t HoldCommandsUntilStop();
  // The stop half a second after an open, then the buttons and held clicks.
  void StopAfter(uint64_t open_number);
  // The buttons that send commands: disabled from an open until the stop
  // that follows it has gone out, so no command can be cancelled by it.
  void EnableCommandButtons(bool on);
  // The step after an open: the stop, then the buttons and held clicks.
  void StopAfterOpen(uint64_t open_number);
  // True (and the click is kept for later) while the stop after an open is
  // still due: a click that reached us before the disabled button was shown.
  [[nodiscard]] bool HoldUntilStopped(void (TForm1::*click)());
  void SetTimerInterval(int ms);
  [[nodiscard]] std::string ClockText() const;
  // "PORT=PATH" entries of the settings file's "ports" section.
  void ReadPortMappings();
  // Ends a running session; a failure goes to the error box when `report`.
  void EndSession(bool report);
  // Timer1's specified duties: clock, replay, command retries.
  void TimerDuties();
  void UpdateExportEntries();

  IFormHost& host_;
  FormOptions options_;
  form::TFormState state_;
  form::TMainControls controls_;
  comm::TComm32 comm321_;
  comm::TComm comm1_;
  Comm32Link link_;
  protocol::CommandSender sender_;
  protocol::CommandRetry retry_;
  WaveViews views_;
  ReplyHandler replies_;
  protocol::FrameParser parser_;
  RecordReplay recording_;
  SessionControl session_;
  ExportControl export_;
  LiveAnalysis analysis_;
  PlayerControl player_;
  ViewCursors cursors_;
  ReconnectControl reconnect_;
  // The name the open device returns under after an unplug: its by-id link, else its path.
  std::string reconnect_path_;
  std::string settings_path_;
  int timer_interval_ = kIdleIntervalMs;
  bool stop_after_open_sent_ = false;
  bool in_timer_ = false;
  // Counts opens, so that only the latest open's step enables the buttons.
  uint64_t open_number_ = 0;
  std::vector<void (TForm1::*)()> held_clicks_;
  // Guards the timed step after an open against a destroyed window.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pulse::window
