#include "window/form1.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>

#include "comm/device_presence_watcher.h"
#include "comm/port_names.h"
#include "comm/serial_device.h"
#include "form/tr.h"
#include "window/settings_file.h"

namespace pulse::window {

namespace {

// Shown through Tr("TForm1", ...) where they are set.
constexpr const char* kOpenCaption = form::TrNoop("TForm1", "打开设备");
constexpr const char* kCloseCaption = form::TrNoop("TForm1", "关闭设备");
constexpr const char* kLinkUp = form::TrNoop("TForm1", "设备连接正常");
constexpr const char* kLinkFailed = form::TrNoop("TForm1", "设备连接失败");
constexpr const char* kLinkClosed = form::TrNoop("TForm1", "串口关闭");
constexpr const char* kPortsSection = "ports";

// The device's line speed; also what both serial components are stored with.
constexpr uint32_t kDeviceBaudRate = 256000;
// 2 ms of quiet ends a read of the device link: well inside the ~4 ms gap
// between frames at 200 frames/s, so each frame arrives whole and at once.
constexpr uint32_t kLinkReadIntervalMs = 2;

// Sampling rates the device accepts.
constexpr int kMinRate = 5;
constexpr int kMaxRate = 250;
constexpr int kRateWhenNotANumber = 100;

// A reconnect whose open failed (the device busy or not ready yet) tries again after this.
constexpr int kReopenRetryMs = 1000;

constexpr const char* kOpenDeviceFirst = form::TrNoop("TForm1", "请首先打开设备");
constexpr const char* kNothingToExport = form::TrNoop("TForm1", "没有可导出的数据");

std::string T(const char* marked) {
  return form::Tr("TForm1", marked);
}

SessionControl::Options SessionOptions(const FormOptions& options) {
  SessionControl::Options out;
  out.program_version = options.program_version.empty() ? PULSE_VERSION : options.program_version;
  out.writer = options.session_writer;
  out.now = options.now;
  return out;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

// Integer conversion as the window has always done it: surrounding blanks
// are not allowed, a sign is.
std::optional<int> ParseInt(const std::string& text) {
  int value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || first == last) return std::nullopt;
  return value;
}

std::string NotAnInteger(const std::string& text) {
  return "'" + text + "' is not a valid integer value";
}

std::unique_ptr<comm::IDeviceWatcher> MakeWatcher(const FormOptions& options,
                                                  comm::IMainThreadQueue& main_thread) {
  if (options.make_watcher) return options.make_watcher(main_thread);
  return std::make_unique<comm::DevicePresenceWatcher>(main_thread);
}

std::string DescribePort(const comm::PortInfo& info) {
  std::string s = info.path;
  std::string details;
  auto add = [&](const std::string& part) {
    if (part.empty()) return;
    if (!details.empty()) details += ", ";
    details += part;
  };
  add(info.driver);
  if (!info.usb_vendor_id.empty()) add("USB " + info.usb_vendor_id + ":" + info.usb_product_id);
  add(info.manufacturer);
  add(info.product);
  if (!info.SerialNumber.empty()) add("S/N " + info.SerialNumber);
  // The name that stays when the adapter returns as another ttyUSB number.
  if (!info.by_id_link.empty()) add("by-id " + info.by_id_link);
  if (!details.empty()) s += " (" + details + ")";
  return s;
}

}  // namespace

TForm1::TForm1(IFormHost& host, comm::IMainThreadQueue& main_thread,
               std::array<IViewPlot*, WaveViews::kViewCount> plots, FormOptions options)
    : host_(host),
      options_(std::move(options)),
      comm321_(main_thread),
      link_(comm321_),
      sender_(state_, controls_, link_),
      retry_(state_, sender_),
      views_(state_, controls_, plots),
      replies_(state_, controls_, views_),
      parser_(replies_),
      recording_(state_, controls_, views_),
      session_(state_, parser_, replies_, SessionOptions(options_)),
      analysis_(state_, controls_),
      player_(state_, controls_, plots, analysis_,
              [this](int ms, std::function<void()> step) { host_.RunAfter(ms, std::move(step)); }),
      cursors_(state_, plots),
      reconnect_(MakeWatcher(options_, main_thread)) {
  if (options_.reconnect) reconnect_.Override(*options_.reconnect);
  // The player and 模拟 draw into the same views: the one used last has them.
  player_.before_draw = [this] { state_.Replaying = false; };
  replies_.SetDataFrameSink(&analysis_.LiveSink());
  recording_.SetFrameSink(&analysis_.ReplaySink());
  comm321_.OnReceiveData = [this](const uint8_t* Buffer, uint16_t BufferLength) {
    parser_.Comm321ReceiveData(Buffer, BufferLength);
  };
  comm321_.OnRequestHangup = [this](comm::TComm32*) { HandleHangup(); };
  ApplyStoredLinkSettings();
  comm1_.OnReceiveData = [this](comm::TComm* Sender, const uint8_t* Buffer, uint16_t BufferLength) {
    comm1ReceiveData(Sender, Buffer, BufferLength);
  };
}

void TForm1::ApplyStoredLinkSettings() {
  // The device link; port and baud are overwritten from the lists at every open.
  comm321_.SetBaudRate(kDeviceBaudRate);
  comm321_.SetParity(comm::NOPARITY);
  comm321_.SetStopBits(comm::ONESTOPBIT);
  comm321_.SetReadIntervalTimeout(kLinkReadIntervalMs);
  comm321_.SetCommPort("COM2");

  // comm1 keeps the line settings stored with the window; it is never opened.
  comm1_.SetCommName("COM2");
  comm1_.SetBaudRate(kDeviceBaudRate);
  comm1_.SetParityCheck(false);
  comm1_.SetOutx_CtsFlow(false);
  comm1_.SetOutx_DsrFlow(false);
  comm1_.SetDtrControl(comm::TDtrControl::DtrEnable);
  comm1_.SetDsrSensitivity(false);
  comm1_.SetTxContinueOnXoff(true);
  comm1_.SetOutx_XonXoffFlow(true);
  comm1_.SetInx_XonXoffFlow(true);
  comm1_.SetReplaceWhenParityError(false);
  comm1_.SetIgnoreNullChar(false);
  comm1_.SetRtsControl(comm::TRtsControl::RtsEnable);
  comm1_.SetXonLimit(1);
  comm1_.SetXoffLimit(1);
  comm1_.SetByteSize(comm::TByteSize::_8);
  comm1_.SetParity(comm::TParity::None);
  comm1_.SetStopBits(comm::TStopBits::_1);
  comm1_.SetXonChar(17);
  comm1_.SetXoffChar(19);
  comm1_.SetReplacedChar(0);
  comm1_.SetReadIntervalTimeout(1);
  comm1_.SetReadTotalTimeoutMultiplier(0);
  comm1_.SetReadTotalTimeoutConstant(0);
  comm1_.SetWriteTotalTimeoutMultiplier(0);
  comm1_.SetWriteTotalTimeoutConstant(0);
}

TForm1::~TForm1() {
  *alive_ = false;
  FormDestroy();
}

std::string TForm1::DeviceName(int port_number) {
  return (port_number < 10 ? "COM" : "//./COM") + std::to_string(port_number);
}

void TForm1::FormCreate() {
  state_.PortOpen = false;
  views_.ShowAllViews();

  state_.ExeDir = options_.exe_dir.empty() ? ProgramDir() : options_.exe_dir;
  std::string dir = options_.settings_dir;
  if (dir.empty()) dir = SettingsDir(state_.ExeDir, "pulse3ch");
  settings_path_ = dir + kSettingsFileName;
  const PortSettings settings = ReadPortSettings(settings_path_);
  reconnect_.Load(settings_path_);
  controls_.e_comm.text = settings.com;
  controls_.e_comm.item_index = -1;
  for (size_t i = 0; i < controls_.e_comm.items.size(); ++i)
    if (controls_.e_comm.items[i] == settings.com)
      controls_.e_comm.item_index = static_cast<int>(i);
  controls_.e_btl.text = settings.btl;
  controls_.e_btl.item_index = -1;
  for (size_t i = 0; i < controls_.e_btl.items.size(); ++i)
    if (controls_.e_btl.items[i] == settings.btl) controls_.e_btl.item_index = static_cast<int>(i);
  ReadPortMappings();
  // A malformed entry maps nothing; the port field then names the port as it would without it.
  for (const std::string& entry : options_.port_mappings)
    (void)comm321_.PortNames().AddMapping(entry);
  e_commChange();

  state_.ErrorCount = 0;
  state_.SampleRate = form::TFormState::kDefaultSampleRate;
  parser_.Buffer().Clear();
  state_.UnitFactor = form::TFormState::kDefaultUnitFactor;
  controls_.cb_unit1.Select(3);
  controls_.cb_unit2.Select(3);
  controls_.cb_unit3.Select(3);

  controls_.Label_pulse.Caption = form::Tr("MainControls", "脉\n搏");

  views_.ResetAxes();
  views_.ClearViews();
  state_.StopPending = false;

  state_.RecordList.clear();
  SetTimerInterval(kIdleIntervalMs);
  controls_.StatusBar1.Panel(form::StatusPanel::kClock).text = ClockText();
}

void TForm1::FormDestroy() {
  reconnect_.Cancel();
  // The window is going: a session's last error can only go to standard error.
  EndSession(false);
  CloseDevice();
  state_.RecordList.clear();
  state_.ReplayList.reset();
}

void TForm1::ReadPortMappings() {
  const IniFile ini = IniFile::Load(settings_path_);
  for (int n = 1; n <= kPortCount; ++n) {
    const std::string key = "COM" + std::to_string(n);
    const std::string path = ini.Value(kPortsSection, key, "");
    if (!path.empty()) comm321_.PortNames().SetMapping(n, path);
  }
}

void TForm1::e_commChange() {
  const std::string text = Trim(controls_.e_comm.text);
  std::string name = text;
  if (text.empty() || text[0] != '/') {
    const std::optional<int> n = ParseInt(text);
    if (!n) {
      controls_.e_comm.hint = "";
      return;
    }
    name = DeviceName(*n);
  }
  const std::string path = comm321_.PortNames().Resolve(name);
  if (path.empty()) {
    controls_.e_comm.hint = form::Format(form::Tr("TForm1", "%1: 没有这个串口"), {name});
    return;
  }
  // A mapping may name the device by a link (/dev/serial/by-id/...): compare what it leads to.
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::canonical(path, ec);
  std::string described = path;
  for (const comm::PortInfo& info : comm321_.PortNames().PresentPorts()) {
    std::error_code info_ec;
    if (info.path == path ||
        (!ec && std::filesystem::canonical(info.path, info_ec) == target && !info_ec)) {
      described = info.path == path ? DescribePort(info) : path + " → " + DescribePort(info);
    }
  }
  controls_.e_comm.hint = name + " → " + described;
}

void TForm1::Bt_openClick() {
  // The caption is in the window's language; so is what it is compared with.
  if (controls_.Bt_open.Caption == T(kOpenCaption)) {
    // A conversion error leaves everything as it was, open nothing.
    const std::string comm_text = controls_.e_comm.text;
    const std::string btl_text = Trim(controls_.e_btl.text);
    const bool is_path = !comm_text.empty() && comm_text[0] == '/';
    if (!is_path && !ParseInt(comm_text)) {
      host_.ShowError(NotAnInteger(comm_text));
      return;
    }
    if (!ParseInt(btl_text)) {
      host_.ShowError(NotAnInteger(btl_text));
      return;
    }
    (void)OpenDevice();  // the outcome is in state_.PortOpen, read below
    const uint64_t open_number = HoldCommandsUntilStop();
    if (state_.PortOpen) {
      controls_.Bt_open.Caption = T(kCloseCaption);
      try {
        WritePortSettings(settings_path_, {controls_.e_comm.text, controls_.e_btl.text});
      } catch (const SettingsError& e) {
        host_.ShowError(e.what());
      }
    }
    StopAfter(open_number);
  } else {
    // 关闭设备 while waiting for the adapter ends the wait.
    const bool was_waiting = reconnect_.Waiting();
    reconnect_.Cancel();
    sender_.EndPendingOnClose();
    held_clicks_.clear();
    CloseDevice();
    controls_.Bt_open.Caption = T(kOpenCaption);
    if (was_waiting) {
      controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text = T(kLinkClosed);
      EnableCommandButtons(true);
    }
  }
}

uint64_t TForm1::HoldCommandsUntilStop() {
  // The device may still be streaming from an earlier session: it is stopped
  // once it has had a moment, without blocking the window. Commands given
  // before that stop would be cancelled by it, so they wait.
  stop_after_open_sent_ = false;
  held_clicks_.clear();
  EnableCommandButtons(false);
  return ++open_number_;
}

void TForm1::StopAfter(uint64_t open_number) {
  std::weak_ptr<bool> alive = alive_;
  host_.RunAfter(kStopAfterOpenMs, [this, alive, open_number] {
    if (alive.expired() || !*alive.lock()) return;
    StopAfterOpen(open_number);
  });
}

void TForm1::StopAfterOpen(uint64_t open_number) {
  sender_.SendStartStop(protocol::kStopKind);
  // A later open has its own stop still to come.
  if (open_number != open_number_) return;
  stop_after_open_sent_ = true;
  EnableCommandButtons(true);
  std::vector<void (TForm1::*)()> held;
  held.swap(held_clicks_);
  for (auto click : held) (this->*click)();
  // Back after an unplug: sampling goes on as the operator left it, unless a click of
  // theirs already said otherwise.
  if (reconnect_.TakeResume() && held.empty() && state_.PortOpen) {
    sender_.BeginStart();
    views_.ShowSamplingState(true);
  }
}

void TForm1::EnableCommandButtons(bool on) {
  controls_.bt_start.Enabled = on && state_.PortOpen;
  controls_.Button2.Enabled = on;
  controls_.Button4.Enabled = on;
}

bool TForm1::HoldUntilStopped(void (TForm1::*click)()) {
  if (stop_after_open_sent_ || open_number_ == 0) return false;
  held_clicks_.push_back(click);
  return true;
}

bool TForm1::OpenDevice() {
  const std::string comm_text = controls_.e_comm.text;
  std::string device;
  if (!comm_text.empty() && comm_text[0] == '/') {
    device = comm_text;
    state_.PortNumber = 0;
  } else {
    state_.PortNumber = ParseInt(comm_text).value_or(0);
    device = DeviceName(state_.PortNumber);
  }
  const int baud = ParseInt(Trim(controls_.e_btl.text)).value_or(0);
  comm321_.SetCommPort(device);
  comm321_.SetBaudRate(static_cast<uint32_t>(baud));
  try {
    state_.PortOpen = comm321_.OpenPort();
    // The status text says only that it failed; the operator needs to know why.
    if (!state_.PortOpen) {
      const std::string& path = comm321_.DevicePath();
      const std::string name =
          state_.PortNumber > 0 ? "COM" + std::to_string(state_.PortNumber) : comm_text;
      host_.ShowError("Cannot open " + name +
                      (path.empty() || path == comm_text ? "" : " (" + path + ")") + ": " +
                      comm::DescribeOpenError(comm321_.OpenError()));
    }
  } catch (const comm::ECommsError& e) {
    state_.PortOpen = false;
    host_.ShowError(e.what());
  }
  controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text =
      T(state_.PortOpen ? kLinkUp : kLinkFailed);
  controls_.bt_start.Enabled = state_.PortOpen;
  controls_.GroupBox2.Enabled = state_.PortOpen;
  if (state_.PortOpen) {
    // Known now, while the device is there: the name it will come back under.
    const std::string by_id = comm321_.PortNames().ByIdLinkFor(comm321_.DevicePath());
    reconnect_path_ = by_id.empty() ? comm321_.DevicePath() : by_id;
  }
  return state_.PortOpen;
}

void TForm1::CloseDevice() {
  // A session belongs to the device it records; it ends with the link, its
  // file and metadata complete.
  EndSession(true);
  if (state_.PortOpen) {
    comm321_.ClosePort();
    controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text = T(kLinkClosed);
    state_.PortOpen = false;
  }
  controls_.bt_start.Enabled = state_.PortOpen;
  controls_.GroupBox2.Enabled = state_.PortOpen;
}

void TForm1::HandleHangup() {
  if (!state_.PortOpen) return;
  // No retry survives the loss: a zero in progress is not repeated after a reconnect.
  sender_.EndPendingOnClose();
  held_clicks_.clear();
  if (!reconnect_.Enabled() || reconnect_path_.empty()) {
    EndLinkAfterHangup();
    return;
  }
  // Only the link closes: the session, the 20 s record and the views go on
  // across the gap. 关闭设备 stays offered; it ends the wait.
  const bool resume = state_.Sampling;
  state_.RestartPending = false;  // the resume after the reopen is that start
  comm321_.ClosePort();
  state_.PortOpen = false;
  controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text = T(kLinkFailed);
  controls_.bt_start.Enabled = false;
  controls_.GroupBox2.Enabled = false;
  EnableCommandButtons(false);
  session_.LinkLost();
  // Gone again right after a return: the node may linger after the unplug, or the adapter
  // keeps dropping out; the first look waits, so that reopening cannot spin.
  const bool flapping = reconnect_.BackMoments(std::chrono::milliseconds(kReopenRetryMs));
  try {
    reconnect_.BeginWait(
        reconnect_path_, resume, [this] { ReopenAfterHangup(); }, !flapping);
    if (flapping) LookAgainLater();
  } catch (const std::exception& e) {
    reconnect_.Cancel();
    EndLinkAfterHangup();
    host_.ShowError(e.what());
  }
}

void TForm1::EndLinkAfterHangup() {
  // Close our end, so the window tells the truth and a new open can find the
  // device again when it comes back.
  CloseDevice();
  controls_.Bt_open.Caption = T(kOpenCaption);
  controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text = T(kLinkFailed);
  EnableCommandButtons(true);
}

void TForm1::ReopenAfterHangup() {
  if (!reconnect_.Waiting()) return;
  // Same settings: the baud rate is still set; the port is the name it came back under.
  comm321_.SetCommPort(reconnect_.WatchedPath());
  bool open = false;
  try {
    open = comm321_.OpenPort();
  } catch (const comm::ECommsError&) {
    open = false;
  }
  if (!open) {
    // There but not ready (udev still setting it up, the old node not yet gone) or held by
    // another program: look again in a while rather than at once, which would spin.
    LookAgainLater();
    return;
  }
  state_.PortOpen = true;
  controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text = T(kLinkUp);
  controls_.GroupBox2.Enabled = true;
  reconnect_.Reopened();
  StopAfter(HoldCommandsUntilStop());
}

void TForm1::LookAgainLater() {
  std::weak_ptr<bool> alive = alive_;
  host_.RunAfter(kReopenRetryMs, [this, alive] {
    if (alive.expired() || !*alive.lock()) return;
    reconnect_.WaitAgain();
  });
}

void TForm1::ReconnectClick() {
  const bool was_waiting = reconnect_.Waiting();
  const std::string err = reconnect_.SwitchClick();
  // Switched off while waiting: the link ends as it did without reconnection.
  if (was_waiting && !reconnect_.Waiting()) EndLinkAfterHangup();
  if (!err.empty()) host_.ShowError(err);
}

void TForm1::bt_startClick() {
  if (!state_.PortOpen) {
    host_.ShowMessage(T(kOpenDeviceFirst));
    return;
  }
  if (HoldUntilStopped(&TForm1::bt_startClick)) return;
  if (controls_.bt_start.Caption == protocol::SamplingStateCaption(false)) {
    sender_.BeginStart();
    controls_.Memo1.lines.Clear();
    controls_.Label_cnt.Caption = std::to_string(controls_.Memo1.lines.Count());
    views_.ShowSamplingState(true);
  } else {
    sender_.BeginStop();
    views_.ShowSamplingState(false);
  }
}

void TForm1::Button2Click() {
  if (HoldUntilStopped(&TForm1::Button2Click)) return;
  sender_.BeginZero();
}

void TForm1::Button4Click() {
  if (HoldUntilStopped(&TForm1::Button4Click)) return;
  sender_.SendReadZeroValues();
}
void TForm1::Button7Click() {
  sender_.SendReadProductionDate();
}
void TForm1::Button8Click() {
  sender_.SendReadSerialNumber();
}

void TForm1::Button6Click() {
  const std::string text = controls_.Edit_Freq.text;
  if (text.empty()) {
    host_.ShowMessage(form::Tr("TForm1", "请输入频率值5-250"));
    return;
  }
  int rate = ParseInt(text).value_or(kRateWhenNotANumber);
  rate = std::clamp(rate, kMinRate, kMaxRate);
  state_.SampleRate = rate;
  views_.ClearViews();
}

void TForm1::Button9Click() {
  // Leaving: an adapter that returns now must not be opened again.
  reconnect_.Cancel();
  sender_.SendStartStop(protocol::kStopKind);
  // A close discards output still queued, so the stop would never reach the
  // device: give the writer a moment before closing.
  std::weak_ptr<bool> alive = alive_;
  host_.RunAfter(kExitDrainMs, [this, alive] {
    if (alive.expired() || !*alive.lock()) return;
    CloseDevice();
    host_.CloseWindow();
  });
}

void TForm1::Button20Click() {
  try {
    // The window shows nothing of the name saved under; a cancelled dialog saves nothing.
    (void)recording_.Button20Click(
        [this] { return host_.AskSaveFileName(kSaveDialogFileName, kSaveDialogFilter); });
  } catch (const RecordFileError& e) {
    host_.ShowError(e.what());
  }
}

void TForm1::Button18Click() {
  try {
    if (!recording_.Button18Click(
            [this] { return host_.AskOpenFileName(form::Tr("RecordReplay", kOpenDialogFilter)); }))
      return;
  } catch (const RecordFileError& e) {
    host_.ShowError(e.what());
    return;
  }
  // The player indexes the file on its own, whatever size it has.
  const std::string err = player_.Load(recording_.LoadedPath());
  if (!err.empty()) host_.ShowError(err);
}

void TForm1::Button19Click() {
  player_.Pause();
  if (recording_.Button19Click()) SetTimerInterval(kReplayIntervalMs);
}

void TForm1::SessionClick() {
  if (session_.Running()) {
    EndSession(true);
    return;
  }
  if (!state_.PortOpen) {
    host_.ShowMessage(T(kOpenDeviceFirst));
    return;
  }
  const std::optional<std::string> chosen =
      host_.AskSaveFileName(kSessionDialogFileName, kSessionDialogFilter);
  if (!chosen || chosen->empty()) return;
  const std::string err = StartSession(RecordFileName(*chosen));
  if (!err.empty()) host_.ShowError(err);
}

std::string TForm1::StartSession(const std::string& path) {
  // Emptying the file being replayed would pull the lines from under the replay.
  std::error_code ec;
  if (!recording_.LoadedPath().empty() &&
      std::filesystem::equivalent(path, recording_.LoadedPath(), ec) && !ec) {
    return "\"" + path + "\" is the loaded record; choose another name";
  }
  std::string err = session_.Start(path);
  UpdateExportEntries();
  return err;
}

void TForm1::EndSession(bool report) {
  if (!session_.Running()) return;
  std::string err = session_.Stop();
  if (err.empty()) return;
  if (report) {
    host_.ShowError(err);
  } else {
    std::fprintf(stderr, "pulse3ch: %s\n", err.c_str());
  }
}

void TForm1::ExportClick(ExportSource::Kind kind) {
  ExportSource source;
  source.kind = kind;
  source.rate = state_.SampleRate;
  source.unit = UnitSymbolOfFactor(state_.UnitFactor);
  switch (kind) {
    case ExportSource::Kind::kCurrentRecord:
      source.lines = state_.RecordList;
      break;
    case ExportSource::Kind::kLoadedRecord:
      source.path = recording_.LoadedPath();
      break;
    case ExportSource::Kind::kSession:
      source.path = session_.Path();
      break;
  }
  if (source.lines.empty() && source.path.empty()) {
    host_.ShowMessage(T(kNothingToExport));
    return;
  }
  const std::optional<std::string> chosen = host_.AskExportFileName(
      DefaultExportName(source), form::Tr("ExportControl", kExportDialogFilter));
  if (!chosen || chosen->empty()) return;
  const std::string err = export_.Begin(std::move(source), *chosen);
  if (!err.empty()) host_.ShowError(err);
}

void TForm1::UpdateExportEntries() {
  export_.current_record.Enabled = !state_.RecordList.empty();
  export_.loaded_record.Enabled = !recording_.LoadedPath().empty();
  export_.session.Enabled = !session_.Path().empty();
}

void TForm1::Timer1Timer() {
  // A box opened below runs its own event loop, in which the timer goes on
  // firing; those ticks wait until the box is closed.
  if (in_timer_) return;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{in_timer_};
  in_timer_ = true;
  TimerDuties();
  std::optional<std::string> failure = session_.Tick();
  std::optional<ExportControl::Done> done = export_.Tick();
  UpdateExportEntries();
  if (failure) host_.ShowError(*failure);
  if (done) {
    if (done->ok) {
      host_.ShowMessage(done->text);
    } else {
      host_.ShowError(done->text);
    }
  }
}

void TForm1::TimerDuties() {
  controls_.StatusBar1.Panel(form::StatusPanel::kClock).text = ClockText();
  const RecordReplay::TickResult r = recording_.ReplayTick();
  SetTimerInterval(r.interval_ms);
  analysis_.Tick(LiveAnalysis::Clock::now());
  cursors_.Refresh();
  if (r.end_tick) return;
  // A restart left over from before the open would overtake its stop.
  if (!stop_after_open_sent_ && open_number_ != 0) return;
  retry_.Step();
}

void TForm1::comm1ReceiveData(comm::TComm*, const uint8_t*, uint16_t) {}

void TForm1::SetTimerInterval(int ms) {
  if (ms == timer_interval_) return;
  timer_interval_ = ms;
  host_.SetTimerInterval(ms);
}

std::string TForm1::ClockText() const {
  const std::time_t t = std::chrono::system_clock::to_time_t(options_.now());
  std::tm local{};
  localtime_r(&t, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
  return form::Format(form::Tr("TForm1", "当前时间 : %1"), {buf});
}

}  // namespace pulse::window
