#include "app/headless_run.h"

#include <QCoreApplication>
#include <algorithm>

#include "app/messages.h"

#include "form/tr.h"

namespace pulse::app {

void HeadlessRun::Start() {
  pulse::window::TForm1& f = form_.Form();
  if (!replay_file.empty()) {
    form_.SetScriptedOpenName(replay_file);
    f.Button18Click();
    f.Button19Click();
    // A name that did not exist is created empty by the load: nothing to show either.
    if (!f.State().Replaying || f.Recording().LoadedLineCount() == 0) {
      Say(MessageKind::kError, Format("nothing to replay in %s", replay_file.c_str()));
      QTimer::singleShot(0, this, [this] { Finish(1); });
      return;
    }
    step_ = Step::kSampling;
    clock_.start();
    connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
    poll_.start(kPollMs);
    return;
  }
  if (!port_.empty()) f.Controls().e_comm.text = port_;
  f.Bt_openClick();
  if (!f.State().PortOpen) {
    Say(MessageKind::kError, f.Controls().StatusBar1.Panel(form::StatusPanel::kLinkState).text);
    // Let the window finish the open's timed step, then leave.
    QTimer::singleShot(0, this, [this] { Finish(1); });
    return;
  }
  clock_.start();
  connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
  poll_.start(kPollMs);
}

bool HeadlessRun::DeviceThere() {
  pulse::window::TForm1& f = form_.Form();
  if (f.State().PortOpen) {
    if (away_) {
      away_ = false;
      away_total_ms_ += away_clock_.elapsed();
      Say(MessageKind::kNote, Format("the device is back after %.1f s; going on",
                                     static_cast<double>(away_clock_.elapsed()) / 1000.0));
    }
    return true;
  }
  if (!reconnect || !f.Reconnect().Waiting()) return true;
  if (!away_) {
    away_ = true;
    away_clock_.start();
    Say(MessageKind::kNote,
        Format("the device went away; waiting up to %g s for it to return", reconnect_timeout_s));
    return false;
  }
  if (static_cast<double>(away_clock_.elapsed()) <= reconnect_timeout_s * 1000.0) return false;
  Say(MessageKind::kError, Format("the device did not return within %g s", reconnect_timeout_s));
  // As 关闭设备 would: the wait ends, and a session with it, complete.
  f.Bt_openClick();
  f.Controls().StatusBar1.Panel(form::StatusPanel::kLinkState).text =
      form::Tr("TForm1", "设备连接失败");
  return true;
}

void HeadlessRun::Poll() {
  pulse::window::TForm1& f = form_.Form();
  if (replay_file.empty() && !DeviceThere()) return;
  if (replay_file.empty() && !f.State().PortOpen) {  // the device went away
    Say(MessageKind::kError,
        Format("the device went away (%s)",
               f.Controls().StatusBar1.Panel(form::StatusPanel::kLinkState).text.c_str()));
    // A session ended with the link, its file and metadata complete.
    if (!session_file.empty() && !f.Session().Path().empty())
      Say(MessageKind::kNote,
          Format("the session in %s ends here (%llu frames)", session_file.c_str(),
                 static_cast<unsigned long long>(f.Session().Lines())));
    // What was recorded up to then is still worth keeping; the run failed all the same.
    if (record && (step_ == Step::kSampling || step_ == Step::kStopping) && on_done) {
      Say(MessageKind::kNote, "saving what was recorded");
      on_done();
    }
    Finish(1);
    return;
  }
  switch (step_) {
    case Step::kWaitStopAfterOpen:
      if (f.StopAfterOpenSent()) {
        if (!session_file.empty()) {
          // What the metadata should say about the device.
          f.Button4Click();
          f.Button7Click();
          f.Button8Click();
          step_ = Step::kReadingDeviceInfo;
          RestartClock();
          break;
        }
        if (!StartSampling()) return;
      } else if (Elapsed() > kOpenTimeoutMs) {
        Say(MessageKind::kError, "the device did not get ready");
        Finish(1);
      }
      break;
    case Step::kReadingDeviceInfo: {
      const pulse::form::TFormState& s = f.State();
      const bool known =
          !s.zero_values.empty() && !s.SerialNumber.empty() && !s.ProductionDate.empty();
      if (known || Elapsed() > kDeviceInfoTimeoutMs) {
        if (!StartSampling()) return;
      }
      break;
    }
    case Step::kStarting:
      if (DataFrames() != frames_before_start_) {
        step_ = Step::kSampling;
        RestartClock();
      } else if (Elapsed() > kFirstDataTimeoutMs) {
        Say(MessageKind::kError,
            "the device sent no data after the start of sampling (start not acknowledged?); "
            "nothing was recorded");
        Finish(1);
      }
      break;
    case Step::kSampling:
      if (!session_file.empty() && !f.Session().Running()) {
        // The error box (standard error here) has said why.
        Say(MessageKind::kError,
            Format("the session stopped early; %s keeps what was written", session_file.c_str()));
        // The device is still there: leave it stopped. The exit code says the run failed.
        f.bt_startClick();
        step_ = Step::kStopping;
        RestartClock();
        return;
      }
      if (Elapsed() >= static_cast<qint64>(seconds_ * 1000)) {
        if (!Capturing()) {
          Finish(on_done ? on_done() : 0);
          return;
        }
        if (done_before_stop && on_done) done_code_ = on_done();
        f.bt_startClick();  // stop; the timer repeats it until acknowledged
        step_ = Step::kStopping;
        RestartClock();
      }
      break;
    case Step::kStopping:
      if (!f.State().StopPending || Elapsed() > kStopAckTimeoutMs) {
        if (f.State().StopPending)
          Say(MessageKind::kNote, "no stop acknowledgement; saving what was recorded");
        int code = 0;
        if (!session_file.empty()) {
          const bool failed_before = !f.Session().Running();
          const std::string err = f.Session().Stop();
          if (!err.empty() || failed_before) {
            if (!err.empty()) Say(MessageKind::kError, err);
            code = 1;
          }
        }
        code = std::max(code, done_before_stop ? done_code_ : on_done ? on_done() : 0);
        Finish(code);
      }
      break;
  }
}

bool HeadlessRun::StartSampling() {
  pulse::window::TForm1& f = form_.Form();
  if (!session_file.empty()) {
    // Refused before any sampling starts, so nothing is lost to a bad target.
    const std::string err = f.StartSession(session_file);
    if (!err.empty()) {
      Say(MessageKind::kError, Format("cannot record the session: %s", err.c_str()));
      Finish(1);
      return false;
    }
  }
  if (record) f.Controls().CheckBox1.checked = true;
  frames_before_start_ = DataFrames();
  f.bt_startClick();
  // A capture counts its seconds from the first data frame.
  step_ = Capturing() ? Step::kStarting : Step::kSampling;
  RestartClock();
  return true;
}

uint64_t HeadlessRun::DataFrames() {
  const protocol::FrameParser& parser = form_.Form().Parser();
  return parser.GoodDataFrames() + parser.BadDataFrames();
}

void HeadlessRun::ReportGaps() {
  pulse::window::TForm1& f = form_.Form();
  using Seconds = std::chrono::duration<double>;
  const auto& outages = f.Reconnect().Outages();
  Say(MessageKind::kResult,
      Format("device away: %zu time%s", outages.size(), outages.size() == 1 ? "" : "s"));
  for (const auto& o : outages) {
    const double at = Seconds(o.lost_at - run_start_).count();
    if (o.back_at) {
      Say(MessageKind::kResult, Format("  at %.3f s of the run, back after %.3f s", at,
                                       Seconds(*o.back_at - o.lost_at).count()));
    } else {
      Say(MessageKind::kResult, Format("  at %.3f s of the run, not back", at));
    }
  }
  if (!session_file.empty()) {
    const auto& gaps = f.Session().Gaps();
    Say(MessageKind::kResult, Format("session gaps: %zu", gaps.size()));
    for (const auto& g : gaps)
      Say(MessageKind::kResult,
          Format("  at %.3f s of the record, %.3f s without frames", g.start_s, g.length_s));
  }
}

void HeadlessRun::Finish(int code) {
  poll_.stop();
  exit_code_ = code;
  if (reconnect) ReportGaps();
  pulse::window::TForm1& f = form_.Form();
  if (f.State().PortOpen) f.Bt_openClick();
  QCoreApplication::quit();
}

}  // namespace pulse::app
